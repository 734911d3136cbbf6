#include "drawing/geometry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "mapdata/messages.h"

namespace sheetwright::drawing {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

struct MappingCase {
  const char* first;   // northward
  const char* second;  // eastward
  int32_t x, y;
};

class MapCoordinateTest : public ::testing::TestWithParam<MappingCase> {};

TEST_P(MapCoordinateTest, MapsToDrawingUnits) {
  const MappingCase& c = GetParam();
  EXPECT_EQ(MapCoordinate(c.first, c.second), (Point{c.x, c.y})) << c.first << ", " << c.second;
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

TEST(MapValueTest, TruncatesTowardZeroAndSaturates) {
  EXPECT_EQ(MapValue(0.99), 9);
  EXPECT_EQ(MapValue(-0.99), -9);
  EXPECT_EQ(MapValue(214748364.7), 2147483647);
  EXPECT_EQ(MapValue(214748364.8), kMax);
  EXPECT_EQ(MapValue(-214748364.8), kMin);
  EXPECT_EQ(MapValue(-1e308), kMin);
  EXPECT_EQ(MapValue(std::numeric_limits<double>::infinity()), kMax);
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
      MapCoordinate(c.first, c.second);
      ADD_FAILURE() << "no error for " << c.first << ", " << c.second;
    } catch (const mapdata::ConversionError& e) {
      EXPECT_EQ(e.what(), c.message);
    }
  }
}

TEST(VertexBufferTest, DropsOnlyImmediateRepeats) {
  VertexBuffer v;
  v.XYSet({1, 1});
  v.XYSet({1, 1});
  v.XYSet({2, 1});
  v.XYSet({1, 1});  // equal to an earlier point, but not to the last one
  v.XYSet({1, 1});
  ASSERT_EQ(v.Count(), 3);
  EXPECT_EQ(v.Points()[0], (Point{1, 1}));
  EXPECT_EQ(v.Points()[1], (Point{2, 1}));
  EXPECT_EQ(v.Points()[2], (Point{1, 1}));
  v.Reset();
  v.XYSet({1, 1});  // after a reset nothing is compared
  EXPECT_EQ(v.Count(), 1);
}

}  // namespace
}  // namespace sheetwright::drawing
