#include "mapdata/coordinates.h"

#include <string>

#include "base/messages.h"
#include "base/numbers.h"
#include "mapdata/fields.h"

namespace sheetwright::mapdata {
namespace {

// Powers of ten that doubles hold exactly.
constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// The common shape of a coordinate, "-123.456": an optional minus, digits, and optionally a point
// followed by digits, at most 15 digits in all. Its value is then an integer below 2^53 divided by
// an exact power of ten, and one IEEE division rounds that correctly: the result is bit for bit
// what the general parser gives. Anything else (blanks, exponents, long texts, errors) goes the
// general way. Every coordinate line of the mesh passes here, so this carries most of the reading.
//
// Reads such a number from `p` up to the first character that cannot continue it, which must be
// `stop` (or the end). Returns where that character is, or null when the text there has another
// shape.
const char* ParsePlainDecimal(const char* p, const char* const end, char stop, double& out) {
  bool negative = p != end && *p == '-';
  p += negative ? 1 : 0;
  // Unsigned arithmetic: a text too long to be taken here may wrap the mantissa harmlessly.
  uint64_t mantissa = 0;
  auto digits = [&] {
    const char* start = p;
    for (unsigned d; p != end && (d = static_cast<unsigned char>(*p) - '0') < 10; ++p) {
      mantissa = mantissa * 10 + d;
    }
    return p - start;
  };
  ptrdiff_t whole_digits = digits();
  if (whole_digits == 0) return nullptr;
  ptrdiff_t fraction_digits = 0;
  if (p != end && *p == '.') {
    ++p;
    fraction_digits = digits();
    if (fraction_digits == 0) return nullptr;
  }
  if (p != end && *p != stop) return nullptr;
  if (whole_digits + fraction_digits > 15) return nullptr;
  double value = static_cast<double>(mantissa) / kPow10[fraction_digits];
  out = negative ? -value : value;
  return p;
}

}  // namespace

double ParseCoordinate(std::string_view text) {
  const char* end = text.data() + text.size();
  double value;
  const char* stop = ParsePlainDecimal(text.data(), end, '\0', value);
  if (stop != nullptr && stop == end) return value;
  return base::StrToFloat(text);  // the general rules, and the conversion error
}


MapMetres ReadCoordinateLine(std::string_view line) {
  // "north,east" read in one go; the fields are cut out only for other shapes.
  const char* end = line.data() + line.size();
  MapMetres m;
  const char* comma = ParsePlainDecimal(line.data(), end, ',', m.north);
  if (comma != nullptr && comma != end) {
    if (ParsePlainDecimal(comma + 1, end, ',', m.east) != nullptr) return m;
  }
  std::string_view fields[2];
  mapdata::SplitFields(line, fields);
  m.north = ParseCoordinate(fields[0]);
  m.east = ParseCoordinate(fields[1]);
  return m;
}

void FigureTooLong() {
  throw base::ConversionError("図形の点の数が多すぎます (" + std::to_string(kMaxFigurePoints) +
                              " 点まで)");
}

}  // namespace sheetwright::mapdata
