#include "output/geometry/print_layout.h"

#include <gtest/gtest.h>

namespace sheetwright::output {
namespace {

constexpr GroundBox kSheet{-32000, -81000, -30000, -79500};

TEST(PrintLayoutTest, AutoPaperIsTheSmallestThatHoldsTheMapCentred) {
  PrintLayout a0 = LayOutPrint(kSheet, 2500, Paper::kAuto, Orientation::kAuto);
  EXPECT_EQ(a0.paper_width, 1189);  // 800 x 600 mm fits A0 landscape only
  ASSERT_EQ(a0.pages.size(), 1u);
  EXPECT_DOUBLE_EQ(a0.pages[0].ground.west + a0.pages[0].ground.east, kSheet.west + kSheet.east);
  PrintLayout a3 = LayOutPrint(kSheet, 10000, Paper::kAuto, Orientation::kAuto);
  EXPECT_EQ(a3.paper_width, 420);  // 200 x 150 mm
  EXPECT_EQ(a3.pages.size(), 1u);
}

TEST(PrintLayoutTest, LargerMapsArePagesInReadingOrderThatOverlap) {
  PrintLayout l = LayOutPrint(kSheet, 1000, Paper::kA3, Orientation::kLandscape);
  // 2000 x 1500 mm in a window of 400 x 241 mm.
  ASSERT_EQ(l.columns, 6);
  ASSERT_EQ(l.rows, 7);
  ASSERT_EQ(l.pages.size(), 42u);
  EXPECT_EQ(l.pages[1].row, 0);
  EXPECT_EQ(l.pages[1].column, 1);
  EXPECT_DOUBLE_EQ(l.pages[0].ground.west, kSheet.west);
  EXPECT_DOUBLE_EQ(l.pages[0].ground.north, kSheet.north);
  EXPECT_DOUBLE_EQ(l.pages[0].ground.east - l.pages[1].ground.west, kPageOverlap);
  EXPECT_DOUBLE_EQ(l.pages[0].ground.south - l.pages[6].ground.north, -kPageOverlap);
  EXPECT_GE(l.pages.back().ground.east, kSheet.east);
  EXPECT_LE(l.pages.back().ground.south, kSheet.south);
}

TEST(PrintLayoutTest, Names) {
  EXPECT_EQ(ParsePaper("a4"), Paper::kA4);
  EXPECT_EQ(ParsePaper("B4"), std::nullopt);
  EXPECT_EQ(ParseOrientation("portrait"), Orientation::kPortrait);
  EXPECT_TRUE(IsPrintScale(5000));
  EXPECT_FALSE(IsPrintScale(2000));
}

}  // namespace
}  // namespace sheetwright::output
