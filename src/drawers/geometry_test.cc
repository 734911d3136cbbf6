#include "drawers/geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/numbers.h"
#include "mapdata/fields.h"

namespace sheetwright::drawers {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

struct MappingCase {
  const char* first;   // northward
  const char* second;  // eastward
  int32_t x, y;
};
void PrintTo(const MappingCase& c, std::ostream* os) { *os << c.first << ", " << c.second; }

class MapCoordinateTest : public ::testing::TestWithParam<MappingCase> {};

TEST_P(MapCoordinateTest, MapsToDrawingUnits) {
  const MappingCase& c = GetParam();
  EXPECT_EQ(drawers::MapCoordinate(c.first, c.second), (picture::Point{c.x, c.y}))
      << c.first << ", " << c.second;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MapCoordinateTest,
    ::testing::Values(
        // 1234.56 * 10 is 12345.599999... in double: truncated, never rounded up.
        MappingCase{"1234.56", "789.01", 7890, 2655},
        MappingCase{"0", "0", 0, 15000},        // bottom-left corner
        MappingCase{"1500", "2000", 20000, 0},  // top-right corner
        MappingCase{"12.34", "12.34", 123, 14877},
        MappingCase{"12.30", "12.39", 123, 14877},  // beyond the first decimal place: same unit
        MappingCase{"-0.05", "-0.05", 0, 15000},    // toward zero, onto the edge, not -1
        MappingCase{"-0.15", "-12.34", -123, 15001},
        MappingCase{"1600", "100", 1000, -1000},  // north of the sheet: negative y, unclipped
        MappingCase{" 1.5", "2.5 ", 25, 14985},   // blanks around a number are allowed
        MappingCase{"1e2", "+3", 30, 14000},
        // Out of the 32-bit range: saturated, never wrapped.
        MappingCase{"1e300", "1e300", kMax, 15000 - kMax},
        MappingCase{"-1e300", "-1e300", kMin, kMax},
        MappingCase{"-214748364.8", "214748364.7", 2147483647, kMax}));

// Coordinates of the common shape take a shortcut past the general number parser; it must give
// the very same drawing units for every text, whatever its length and number of decimals.
TEST(MapCoordinateTest, ShortcutAgreesWithTheGeneralParser) {
  std::mt19937 random(20261207);
  std::vector<std::string> texts = {"999999999999999",
                                    "9999999999999999",
                                    "0.000000000000001",
                                    "-0",
                                    "0.05",
                                    "-0.05",
                                    "1234.56",
                                    "1.",
                                    ".5",
                                    "00000000000000012.5",
                                    "-214748364.8",
                                    "214748364.75",
                                    "0.100000",
                                    "-0.1000000"};
  for (int i = 0; i < 20000; ++i) {
    std::string t = random() % 4 == 0 ? "-" : "";
    int digits = 1 + static_cast<int>(random() % 17);
    int point = static_cast<int>(random() % (digits + 1));  // == digits: no point
    for (int d = 0; d < digits; ++d) {
      if (d == point && d > 0) t += '.';
      t += static_cast<char>('0' + random() % 10);
    }
    // Trailing zeros make the value times ten a whole number, where truncation is most sensitive
    // to the last bit of the parsed value.
    if (point < digits && random() % 2 == 0) t.append(random() % 8, '0');
    texts.push_back(t);
  }
  for (const std::string& t : texts) {
    int32_t expected = MapValue(base::StrToFloat(t));
    picture::Point p = MapCoordinate(t, t);
    ASSERT_EQ(p.x, expected) << t;
    ASSERT_EQ(p.y, static_cast<int32_t>(std::clamp<int64_t>(int64_t{15000} - expected, kMin, kMax)))
        << t;
  }
}

// A whole coordinate line read in one go must give what mapping its fields 1 and 2 gives, or fail
// with the same message, whatever the line holds.
TEST(MapCoordinateTest, LineAgreesWithItsFields) {
  std::mt19937 random(12);
  const std::string pieces[] = {
      "12.5", "-3", "0.05", ",",  ",", ",",         "", " ", "x", "1e3", "999999999999999.9",
      ".5",   "7.", "-",    "\r", "1", "123456.789"};
  std::vector<std::string> lines = {"",  ",",    "1,2",       "1,2,",  "1,2,3", "1,",  ",1",
                                    "1", "1,,2", "1.5,2.5,x", "-0,-0", " 1,2",  "1,2 "};
  for (int i = 0; i < 20000; ++i) {
    std::string line;
    for (int n = static_cast<int>(random() % 6); n > 0; --n) line += pieces[random() % 17];
    lines.push_back(line);
  }
  auto outcome = [](auto&& map) {
    try {
      picture::Point p = map();
      return std::to_string(p.x) + " " + std::to_string(p.y);
    } catch (const base::ConversionError& e) {
      return std::string(e.what());
    }
  };
  for (const std::string& line : lines) {
    ASSERT_EQ(outcome([&] { return drawers::MapCoordinateLine(line); }), outcome([&] {
                return drawers::MapCoordinate(mapdata::Field(line, 1),
                                              mapdata::Field(line, 2));
              }))
        << "'" << line << "'";
  }
}

TEST(MapCoordinateErrorTest, TextThatIsNotANumberFailsWithItsText) {
  struct Case {
    const char* first;
    const char* second;
    std::string message;
  };
  const Case cases[] = {
      {"12a", "1", "'12a' は浮動小数点数ではありません"},
      {"1", "x", "'x' は浮動小数点数ではありません"},
      {"", "1", "'' は浮動小数点数ではありません"},  // a missing field
      {"1", "", "'' は浮動小数点数ではありません"},
      {"1,5", "1", "'1,5' は浮動小数点数ではありません"},
      {"inf", "1", "'inf' は浮動小数点数ではありません"},
  };
  for (const Case& c : cases) {
    try {
      drawers::MapCoordinate(c.first, c.second);
      ADD_FAILURE() << "no error for " << c.first << ", " << c.second;
    } catch (const base::ConversionError& e) {
      EXPECT_EQ(e.what(), c.message);
    }
  }
}

// Appending a whole run must store exactly what appending its points one by one stores, whatever
// the buffer ends with and in both directions.
TEST(VertexBufferTest, AppendRunEqualsPointByPoint) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> coordinate(0, 2), length(0, 4);
  for (int trial = 0; trial < 2000; ++trial) {
    VertexBuffer bulk, single;
    for (int run_index = 0; run_index < 3; ++run_index) {
      std::vector<picture::Point> run;
      for (int i = length(random); i > 0; --i) {
        picture::Point p{coordinate(random), coordinate(random)};
        if (run.empty() || run.back() != p) run.push_back(p);  // runs never repeat a point
      }
      bool reversed = trial % 2 == 1;
      bulk.AppendRun(run, reversed);
      if (reversed) std::reverse(run.begin(), run.end());
      for (const picture::Point& p : run) single.XYSet(p);
    }
    ASSERT_TRUE(std::ranges::equal(bulk.Points(), single.Points())) << "trial " << trial;
  }
}

}  // namespace
}  // namespace sheetwright::drawers
