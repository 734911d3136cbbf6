#include "drawers/arc_points.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/messages.h"
#include "mapdata/record_lines.h"

namespace sheetwright::drawers {
namespace {

mapdata::ArcTable Load(const std::string& text) {
  mapdata::ArcTable table;
  base::NullMessageSink sink;
  table.Load(std::make_shared<const mapdata::FileText>(text), sink);
  return table;
}

std::vector<picture::Point> Copy(std::span<const picture::Point> points) {
  return {points.begin(), points.end()};
}

// The cache must give what mapping the lines gives, for every arc, on first and later reads, and
// never the points of an earlier content of the table.
TEST(ArcPointCacheTest, AnswersFollowTheTableContent) {
  ArcPointCache cache;
  mapdata::ArcTable table =
      Load("h,h,h,6\r\nL1,1,7,2\r\n10.0,20.0\r\n10.5,20.5\r\nL1,1,8,1\r\n0,0\r\n");
  EXPECT_EQ(Copy(cache.Get(table, 0, 2)),
            (std::vector<picture::Point>{{200, 14900}, {205, 14895}}));
  EXPECT_EQ(Copy(cache.Get(table, 3, 1)), (std::vector<picture::Point>{{0, 15000}}));
  EXPECT_EQ(Copy(cache.Get(table, 0, 2)),
            (std::vector<picture::Point>{{200, 14900}, {205, 14895}}));

  // Same slots, new file: the old points must not come back.
  base::NullMessageSink sink;
  table.Load(std::make_shared<const mapdata::FileText>("h,h,h,3\r\nL1,1,7,2\r\n1,2\r\n3,4\r\n"),
               sink);
  EXPECT_EQ(Copy(cache.Get(table, 0, 2)), (std::vector<picture::Point>{{20, 14990}, {40, 14970}}));
}

// Counts the cache cannot serve are left to the caller; a bad line throws every time it is read,
// and what was cached before stays right.
TEST(ArcPointCacheTest, LeavesShortTablesAndBadLinesToTheCaller) {
  ArcPointCache cache;
  mapdata::ArcTable table = Load("h,h,h,5\r\nL1,1,7,1\r\n1,1\r\nL1,1,8,2\r\n2,2\r\nx,3\r\n");
  EXPECT_TRUE(cache.Get(table, 0, 0).empty());
  EXPECT_TRUE(cache.Get(table, 2, 3).empty());  // runs past the last slot
  EXPECT_EQ(cache.Get(table, 0, 1).size(), 1u);
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      cache.Get(table, 2, 2);
      FAIL() << "a coordinate that is not a number must throw";
    } catch (const base::ConversionError& e) {
      EXPECT_STREQ(e.what(), "'x' は浮動小数点数ではありません");
    }
  }
  EXPECT_EQ(Copy(cache.Get(table, 0, 1)), (std::vector<picture::Point>{{10, 14990}}));
}

// A point that repeats the one before it is stored once, as the vertex buffer would store it.
TEST(ArcPointCacheTest, RepeatedPointsAreLeftOut) {
  ArcPointCache cache;
  mapdata::ArcTable table = Load("h,h,h,6\r\nL1,1,7,5\r\n1,1\r\n1.0,1.00\r\n2,2\r\n1,1\r\n1,1\r\n");
  EXPECT_EQ(Copy(cache.Get(table, 0, 5)),
            (std::vector<picture::Point>{{10, 14990}, {20, 14980}, {10, 14990}}));
}

// Record fields are served only when both read as integers; anything else (empty, not a number,
// out of range) is left to the caller, whose reading reports or fails. A new content forgets them.
TEST(ArcPointCacheTest, FieldsOnlyWhenBothAreIntegers) {
  ArcPointCache cache;
  mapdata::ArcTable table = Load(
      "h,h,h,9\r\nL1,5,7,2\r\nL1,,8,1\r\nL1,1,9\r\nL1,x,9,1\r\nL1,1,9,2147483648\r\n"
      "L1, -3,9,+4\r\n");
  const ArcPointCache::ArcFields* fields = cache.Fields(table, 0);
  ASSERT_NE(fields, nullptr);
  EXPECT_EQ(fields->line_type, 5);
  EXPECT_EQ(fields->count, 2);
  for (int slot : {1, 2, 3, 4}) EXPECT_EQ(cache.Fields(table, slot), nullptr) << slot;
  fields = cache.Fields(table, 5);
  ASSERT_NE(fields, nullptr);
  EXPECT_EQ(fields->line_type, -3);
  EXPECT_EQ(fields->count, 4);
  EXPECT_EQ(cache.Fields(table, 6), nullptr);  // past the last slot

  base::NullMessageSink sink;
  table.Load(std::make_shared<const mapdata::FileText>("h,h,h,1\r\nL1,2,7,3\r\n"), sink);
  fields = cache.Fields(table, 0);
  ASSERT_NE(fields, nullptr);
  EXPECT_EQ(fields->line_type, 2);
  EXPECT_EQ(fields->count, 3);
}

}  // namespace
}  // namespace sheetwright::drawers
