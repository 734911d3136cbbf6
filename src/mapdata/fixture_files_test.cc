// The loaders on small files as they come on the data media (CP932 names, CR LF, a closing
// Ctrl-Z), read from disk the way a conversion reads them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "base/common_test_util.h"
#include "base/encoding.h"
#include "base/numbers.h"
#include "mapdata/mapdata_test_util.h"
#include "mapdata/arc_table.h"
#include "mapdata/record_tables.h"
#include "mapdata/fields.h"

namespace sheetwright::mapdata {
namespace {

using test_util::CollectingSink;

std::shared_ptr<const FileText> Fixture(const std::string& name) {
  return FileText::Read(std::string(SHEETWRIGHT_SOURCE_DIR) + "/src/mapdata/testdata/" + name);
}

TEST(FixtureFilesTest, PolygonOutlinesFromTheArcTable) {
  CollectingSink sink;
  ArcTable arcs;
  arcs.Load(Fixture("GAIKU.ARC"), sink);
  ASSERT_EQ(test_util::LastIndex(arcs), 9);  // the Ctrl-Z after the last line adds no line
  PolyTable polygons;
  polygons.LoadPolygons(Fixture("GAIKU.PGN"), sink);
  ASSERT_EQ(test_util::LastIndex(polygons), 1);
  EXPECT_TRUE(sink.messages.empty());

  // Walk polygon 502's references (-1003, 1001, -1002) as a polygon drawer does.
  int slot = polygons.FindPid(502);
  ASSERT_EQ(slot, 1);
  EXPECT_EQ(polygons.Rec(slot).y_text, "35004.000");
  EXPECT_EQ(polygons.Rec(slot).x_text, "139004.000");
  int total_points = 0;
  for (int32_t ref : {-1003, 1001, -1002}) {
    int arc = arcs.FindArc(ref < 0 ? -ref : ref, sink);
    ASSERT_GE(arc, 0) << ref;
    int points = base::StrToInt(Field(arcs.Line(arc), 4));
    for (int p = 1; p <= points; ++p) {
      EXPECT_NO_THROW(base::StrToFloat(Field(arcs.Line(arc + p), 1)));
      EXPECT_NO_THROW(base::StrToFloat(Field(arcs.Line(arc + p), 2)));
    }
    total_points += points;
  }
  EXPECT_EQ(total_points, 7);
  EXPECT_EQ(arcs.FindArc(1004, sink), -1);
}

TEST(FixtureFilesTest, RoadAttributesAndStations) {
  CollectingSink sink;
  AttributeTable roads;
  roads.Load(Fixture("road.atr"), sink);
  ASSERT_EQ(test_util::LastIndex(roads), 3);
  EXPECT_EQ(roads.FindMainRoad(7), 1);
  EXPECT_EQ(roads.FindMainRoad(8), -1);
  // Name bytes stay CP932, including a second byte 0x5C (表).
  EXPECT_EQ(roads.Rec(3).atr_text, base::Utf8ToCp932("県道表参道"));
  EXPECT_NE(roads.Rec(3).atr_text.find('\x5C'), std::string_view::npos);

  PolyTable stations;
  stations.LoadPoints(Fixture("eki.pnt"), sink);
  ASSERT_EQ(test_util::LastIndex(stations), 1);
  EXPECT_EQ(stations.Rec(stations.FindPid(31)).x_text, "139007.750");
  EXPECT_EQ(stations.Rec(stations.FindPid(32)).x_text, "");
  EXPECT_TRUE(sink.messages.empty());
}

}  // namespace
}  // namespace sheetwright::mapdata
