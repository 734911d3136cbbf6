// Reading a map file as lines and fields: the Ctrl-Z cut, the line walk, Field against a plain
// comma split, and number parsing (integers against an independent reading of the rule, decimals
// for finiteness, the exact failure texts, and the coordinate mapping's saturation).
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/encoding.h"
#include "base/messages.h"
#include "base/numbers.h"
#include "drawers/geometry.h"
#include "fuzz_support.h"
#include "mapdata/record_lines.h"
#include "mapdata/fields.h"

namespace {

using namespace sheetwright;
using sheetwright::fuzz::Fail;

std::vector<std::string_view> SplitCommas(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  for (;;) {
    size_t comma = line.find(',', start);
    fields.push_back(line.substr(start, comma == std::string_view::npos ? comma : comma - start));
    if (comma == std::string_view::npos) return fields;
    start = comma + 1;
  }
}

// Decimal with an optional sign after leading blanks, in the signed 32-bit range.
std::optional<int32_t> ReferenceInt(std::string_view t) {
  size_t i = 0;
  while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
  bool negative = false;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
  if (i == t.size()) return std::nullopt;
  // Leading zeros do not count toward the range.
  while (i + 1 < t.size() && t[i] == '0') ++i;
  std::string digits(t.substr(i));
  if (digits.size() > 10) return std::nullopt;
  for (char c : digits)
    if (c < '0' || c > '9') return std::nullopt;
  long long v = std::stoll(digits);
  if (negative) v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(v);
}

// what() is a C string: a NUL byte in the offending field ends the message there.
bool SameMessage(const std::exception& e, const std::string& want) {
  return std::string_view(e.what()) == std::string_view(want.c_str());
}

void CheckNumbers(std::string_view field) {
  const std::optional<int32_t> got = base::TryParseInt(field);
  const std::optional<int32_t> want = ReferenceInt(field);
  FUZZ_CHECK(got == want, "TryParseInt disagrees with the decimal rule", std::string(field));
  try {
    int32_t v = base::StrToInt(field);
    FUZZ_CHECK(got && v == *got, "StrToInt accepted what TryParseInt refused");
  } catch (const base::ConversionError& e) {
    FUZZ_CHECK(!got, "StrToInt refused an integer");
    FUZZ_CHECK(SameMessage(e, "'" + base::MessageText(field) + "' は整数ではありません"),
               "integer failure text", e.what());
  }

  const std::optional<double> real = base::TryParseFloat(field);
  if (real) FUZZ_CHECK(std::isfinite(*real), "TryParseFloat gave a non-finite value");
  if (want) FUZZ_CHECK(real && *real == *want, "an integer is not read as the same number");
  try {
    double v = base::StrToFloat(field);
    FUZZ_CHECK(real && v == *real, "StrToFloat accepted what TryParseFloat refused");
  } catch (const base::ConversionError& e) {
    FUZZ_CHECK(!real, "StrToFloat refused a number");
    FUZZ_CHECK(SameMessage(e, "'" + base::MessageText(field) + "' は浮動小数点数ではありません"),
               "number failure text", e.what());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  mapdata::FileText file(bytes);
  const std::string_view text = file.text();
  FUZZ_CHECK(text.size() == std::min(bytes.find('\x1A'), bytes.size()), "Ctrl-Z cut");
  FUZZ_CHECK(bytes.compare(0, text.size(), text) == 0, "readable text is not the file's start");

  mapdata::LineCursor cursor(file);
  size_t lines = 0, consumed = 0;
  while (!cursor.AtEnd()) {
    std::string_view line = cursor.Next();
    ++lines;
    FUZZ_CHECK(line.find('\n') == std::string_view::npos, "line break inside a line");
    // The line is the text at the current position, less its break (LF or CR LF).
    FUZZ_CHECK(text.compare(consumed, line.size(), line) == 0, "line is not the next text");
    consumed += line.size();
    if (consumed < text.size() && text[consumed] == '\r') ++consumed;
    if (consumed < text.size()) {
      FUZZ_CHECK(text[consumed] == '\n', "line ended early");
      ++consumed;
    }

    std::vector<std::string_view> fields = SplitCommas(line);
    for (int n = -2; n <= static_cast<int>(fields.size()) + 2; ++n) {
      std::string_view got = mapdata::Field(line, n);
      std::string_view want = n >= 1 && n <= static_cast<int>(fields.size()) ? fields[n - 1] : "";
      FUZZ_CHECK(got == want, "Field", std::to_string(n));
      if (!got.empty())
        FUZZ_CHECK(
            got.data() >= line.data() && got.data() + got.size() <= line.data() + line.size(),
            "Field view outside the line");
    }
    // Failures throw, which is slow under the sanitizers: the numbers of the first lines suffice.
    if (lines <= 32 && fields.size() < 64) {
      for (std::string_view f : fields) CheckNumbers(f);
    }
    if (lines <= 32 && fields.size() >= 2) {
      try {
        picture::Point p = drawers::MapCoordinate(fields[0], fields[1]);
        auto first = base::TryParseFloat(fields[0]);
        auto second = base::TryParseFloat(fields[1]);
        FUZZ_CHECK(first && second, "mapped a coordinate that is not a number");
        FUZZ_CHECK(p.x == drawers::MapValue(*second), "x is not the second value");
      } catch (const base::ConversionError&) {
        FUZZ_CHECK(!base::TryParseFloat(fields[0]) || !base::TryParseFloat(fields[1]),
                   "MapCoordinate refused numbers");
      }
    }
  }
  FUZZ_CHECK(consumed == text.size(), "lines do not cover the text");
  (void)lines;
  return 0;
}
