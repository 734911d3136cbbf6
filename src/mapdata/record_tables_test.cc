#include "mapdata/record_tables.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "mapdata/mapdata_test_util.h"

namespace sheetwright::mapdata {
namespace {

using test_util::CollectingSink;
using test_util::Text;

TEST(PolyTableTest, PolygonRecordsWithoutTheirArcReferences) {
  PolyTable table;
  CollectingSink sink;
  table.LoadPolygons(Text("h,1,2,3,3\r\n"
                     "A6242,11,2,35000.5,139000.25\r\n101\r\n-102\r\n"
                     "A6101,12,1,35001,139001\r\n103\r\n"
                     "A5301,13,1\r\n-104\r\n"
                     "L2300,99,1,1,1\r\nP2420,98,1,1\r\n"),
                sink);
  ASSERT_EQ(test_util::LastIndex(table), 2);
  EXPECT_EQ(table.Rec(0).pid, 11);
  EXPECT_EQ(table.Rec(0).y_text, "35000.5");
  EXPECT_EQ(table.Rec(0).x_text, "139000.25");
  EXPECT_EQ(table.Rec(1).pid, 12);
  EXPECT_EQ(table.Rec(2).pid, 13);
  EXPECT_EQ(table.Rec(2).y_text, "");  // missing fields are empty text
  EXPECT_EQ(table.Rec(2).x_text, "");
  // Every classification code is kept; other record types and references are not.
  EXPECT_EQ(table.FindPid(12), 1);
  EXPECT_EQ(table.FindPid(13), 2);
  EXPECT_EQ(table.FindPid(101), -1);
  EXPECT_EQ(table.FindPid(99), -1);
  EXPECT_EQ(table.FindPid(98), -1);
  EXPECT_TRUE(sink.messages.empty());
}

TEST(PolyTableTest, PointRecords) {
  PolyTable table;
  CollectingSink sink;
  table.LoadPoints(Text("h,1,2,3,9\r\nP2420,5,35000.5,139000.25,extra\r\nA6242,6,1,2,3\r\n"
                      "P2420,7,35002\r\nP9999,8\r\nP2420,5,1,1\r\n"),
                 sink);
  ASSERT_EQ(test_util::LastIndex(table), 3);
  EXPECT_EQ(table.Rec(0).y_text, "35000.5");
  EXPECT_EQ(table.Rec(0).x_text, "139000.25");
  EXPECT_EQ(table.Rec(1).y_text, "35002");
  EXPECT_EQ(table.Rec(1).x_text, "");
  EXPECT_EQ(table.Rec(2).y_text, "");
  EXPECT_EQ(table.FindPid(5), 0);  // the first of two
  EXPECT_EQ(table.FindPid(7), 1);
  EXPECT_EQ(table.FindPid(8), 2);
  EXPECT_EQ(table.FindPid(6), -1);  // a polygon line in a point file is skipped
}

TEST(AtrTableTest, MainRoadLookupSkipsZeroValues) {
  AttributeTable table;
  CollectingSink sink;
  table.Load(Text("h,1,2,3,4\r\nL2201,7,0,kept?\r\nL2201,7,2,国道\r\nL2201,8,0,x\r\n"
                    "L2201,9,-1\r\nA6242,10,1,x\r\n"),
               sink);
  ASSERT_EQ(test_util::LastIndex(table), 3);
  EXPECT_EQ(table.FindMainRoad(7), 1);
  EXPECT_EQ(table.FindMainRoad(8), -1);
  EXPECT_EQ(table.FindMainRoad(9), 3);
  EXPECT_EQ(table.FindMainRoad(10), -1);
  EXPECT_EQ(table.Rec(0).atr_text, "");  // not kept for value 0
  EXPECT_EQ(table.Rec(1).atr_text, "国道");
  EXPECT_EQ(table.Rec(3).atr_value, -1);
  EXPECT_EQ(table.Rec(3).atr_text, "");
}

// The three loaders share the header rule (count in field 5) and the failure of a bad ID.
enum class Kind { kPolygon, kPoint, kAttribute };

int Load(Kind kind, const std::string& bytes, base::MessageSink& sink, PolyTable& poly,
         AttributeTable& atr) {
  switch (kind) {
    case Kind::kPolygon:
      poly.LoadPolygons(Text(bytes), sink);
      return test_util::LastIndex(poly);
    case Kind::kPoint:
      poly.LoadPoints(Text(bytes), sink);
      return test_util::LastIndex(poly);
    case Kind::kAttribute:
      atr.Load(Text(bytes), sink);
      return test_util::LastIndex(atr);
  }
  return -3;
}

TEST(RecordTablesTest, HeaderAndBadFieldOutcomes) {
  struct Case {
    Kind kind;
    std::string bytes;
    int expected_last;     // -3: a ConversionError
    std::string expected;  // the message, or the error text
  };
  const Case cases[] = {
      {Kind::kPolygon, "", -2, ""},
      {Kind::kPolygon, "h,1,2,3,0", -1, ""},
      {Kind::kPolygon, "h,1,2,3\r\nA1,1,1,1,1\r\n", -2, "ARCファイルのレコード数不正=h,1,2,3 -->"},
      {Kind::kPoint, "h,1,2,3,\r\nP1,1,1,1\r\n", -2, "ARCファイルのレコード数不正=h,1,2,3, -->"},
      {Kind::kAttribute, "h\r\nL1,1,1\r\n", -2, "ARCファイルのレコード数不正=h -->"},
      {Kind::kAttribute, "h,1,2,3,-9\r\nL1,1,1\r\nL1,2,0\r\n", 1, ""},
      {Kind::kPoint, "h,1,2,3,2000000000\r\nP1,1,1,1\r\n", 0, ""},
      {Kind::kPolygon, "h,1,2,3,1\r\nA1,1\r\nA2,2\r\nA3,3\r\n", 2, ""},
      {Kind::kPolygon, "h,1,2,3,1.5\r\n", -3, "'1.5' は整数ではありません"},
      {Kind::kPolygon, "h,1,2,3,1\r\nA6242,,1,2,3\r\n", -3, "'' は整数ではありません"},
      {Kind::kPoint, "h,1,2,3,1\r\nP2420\r\n", -3, "'' は整数ではありません"},
      {Kind::kPoint, "h,1,2,3,1\r\nP2420,4294967297,1,1\r\n", -3,
       "'4294967297' は整数ではありません"},
      {Kind::kAttribute, "h,1,2,3,1\r\nL2201,7\r\n", -3, "'' は整数ではありません"},
      {Kind::kAttribute, "h,1,2,3,1\r\nL2201,7,x\r\n", -3, "'x' は整数ではありません"},
      {Kind::kAttribute, "h,1,2,3,1\r\nL2201,7 ,1\r\n", -3, "'7 ' は整数ではありません"},
  };
  for (const Case& c : cases) {
    PolyTable poly;
    AttributeTable atr;
    CollectingSink sink;
    // A table that held something before: a failed load must not leave any of it readable.
    poly.LoadPolygons(Text("h,1,2,3,1\r\nA1,1,1,1,1\r\n"), sink);
    atr.Load(Text("h,1,2,3,1\r\nL1,1,1\r\n"), sink);
    int last;
    try {
      last = Load(c.kind, c.bytes, sink, poly, atr);
    } catch (const base::ConversionError& e) {
      EXPECT_EQ(c.expected_last, -3) << c.bytes;
      EXPECT_EQ(e.what(), c.expected) << c.bytes;
      EXPECT_EQ(c.kind == Kind::kAttribute ? test_util::LastIndex(atr) : test_util::LastIndex(poly), -1);
      EXPECT_EQ(poly.FindPid(1), c.kind == Kind::kAttribute ? 0 : -1);
      continue;
    }
    EXPECT_EQ(last, c.expected_last) << c.bytes;
    std::vector<std::string> expected;
    if (!c.expected.empty()) expected.push_back(c.expected);
    EXPECT_EQ(sink.messages, expected) << c.bytes;
    if (last < 0) {  // this table answers nothing, the other one is untouched
      bool attribute = c.kind == Kind::kAttribute;
      EXPECT_EQ(poly.FindPid(1), attribute ? 0 : -1) << c.bytes;
      EXPECT_EQ(atr.FindMainRoad(1), attribute ? -1 : 0) << c.bytes;
    }
  }
}

// ---- Lookups against a plain front-to-back scan on random tables ----

TEST(RecordTablesTest, LookupsAnswerExactlyAsAScan) {
  std::mt19937 rng(99);
  for (int round = 0; round < 300; ++round) {
    int id_range = 1 + static_cast<int>(rng() % 25);
    int line_count = static_cast<int>(rng() % 80);
    auto id = [&] { return static_cast<int>(rng() % id_range) - 2; };  // some negative IDs
    std::string pgn = "h,1,2,3,4\r\n", pnt = pgn, atr_bytes = pgn;
    struct Expected {
      int32_t id;
      std::string y, x;
      int32_t value;
    };
    std::vector<Expected> polys, points, atrs;
    for (int i = 0; i < line_count; ++i) {
      int32_t p = id();
      std::string y = std::to_string(rng() % 50000) + ".5", x = std::to_string(rng() % 9000);
      switch (rng() % 4) {
        case 0:
          pgn += "A6242,";
          pgn += std::to_string(p) + ",1," + y + "," + x + "\r\n" + std::to_string(rng() % 500) +
                 "\r\n";
          polys.push_back({p, y, x, 0});
          break;
        case 1:
          pnt += "P2420," + std::to_string(p) + "," + y + "," + x + "\n";
          points.push_back({p, y, x, 0});
          break;
        default: {
          int32_t value = rng() % 3 == 0 ? 0 : static_cast<int32_t>(rng() % 5) - 1;
          atr_bytes +=
              "L2201," + std::to_string(p) + "," + std::to_string(value) + "," + y + "\r\n";
          atrs.push_back({p, value == 0 ? "" : y, "", value});
          break;
        }
      }
    }
    CollectingSink sink;
    PolyTable poly, point;
    AttributeTable atr;
    poly.LoadPolygons(Text(pgn), sink);
    point.LoadPoints(Text(pnt), sink);
    atr.Load(Text(atr_bytes), sink);
    ASSERT_EQ(test_util::LastIndex(poly), static_cast<int>(polys.size()) - 1);
    ASSERT_EQ(test_util::LastIndex(point), static_cast<int>(points.size()) - 1);
    ASSERT_EQ(test_util::LastIndex(atr), static_cast<int>(atrs.size()) - 1);
    for (size_t s = 0; s < polys.size(); ++s) {
      ASSERT_EQ(poly.Rec(s).pid, polys[s].id);
      ASSERT_EQ(poly.Rec(s).y_text, polys[s].y);
      ASSERT_EQ(poly.Rec(s).x_text, polys[s].x);
    }
    for (size_t s = 0; s < atrs.size(); ++s) {
      ASSERT_EQ(atr.Rec(s).arc_id, atrs[s].id);
      ASSERT_EQ(atr.Rec(s).atr_value, atrs[s].value);
      ASSERT_EQ(atr.Rec(s).atr_text, atrs[s].y);
    }
    auto scan = [](const std::vector<Expected>& recs, int32_t key, bool need_value) {
      for (size_t s = 0; s < recs.size(); ++s) {
        if (recs[s].id == key && (!need_value || recs[s].value != 0)) return static_cast<int>(s);
      }
      return -1;
    };
    for (int32_t key = -3; key <= id_range; ++key) {
      ASSERT_EQ(poly.FindPid(key), scan(polys, key, false)) << key;
      ASSERT_EQ(point.FindPid(key), scan(points, key, false)) << key;
      ASSERT_EQ(atr.FindMainRoad(key), scan(atrs, key, true)) << key;
    }
  }
}

TEST(RecordTablesTest, AnyBytesLoadWithoutHarm) {
  std::mt19937 rng(5);
  const char alphabet[] = {'A', 'P', 'L', '1', '0', ',', ',', '\r', '\n', '\n', '\x1A', '-', ' '};
  for (int round = 0; round < 3000; ++round) {
    std::string bytes;
    int length = static_cast<int>(rng() % 60);
    for (int i = 0; i < length; ++i) bytes += alphabet[rng() % sizeof alphabet];
    CollectingSink sink;
    PolyTable poly;
    AttributeTable atr;
    for (Kind kind : {Kind::kPolygon, Kind::kPoint, Kind::kAttribute}) {
      try {
        int last = Load(kind, bytes, sink, poly, atr);
        ASSERT_GE(last, -2);
        for (int s = 0; s <= last; ++s) {
          if (kind == Kind::kAttribute && atr.Rec(s).atr_value == 0) continue;
          int32_t key = kind == Kind::kAttribute ? atr.Rec(s).arc_id : poly.Rec(s).pid;
          int found = kind == Kind::kAttribute ? atr.FindMainRoad(key) : poly.FindPid(key);
          ASSERT_GE(found, 0);
          ASSERT_LE(found, s);
        }
      } catch (const base::ConversionError&) {
      }
    }
  }
}

}  // namespace
}  // namespace sheetwright::mapdata
