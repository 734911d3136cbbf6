// Geometry blobs read back by GDAL's WKB reader, and the envelope functions an R-tree trigger
// calls on them, through SQLite.
#include "export/gpkg_blob.h"

#include <gtest/gtest.h>
#include <ogr_geometry.h>
#include <sqlite3.h>

#include <cstring>
#include <memory>

namespace sheetwright::gis {
namespace {

// The well-known binary after the header, as GDAL reads it; `header` gets the header's length.
std::unique_ptr<OGRGeometry> Read(std::string_view blob, size_t& header) {
  header = (blob[3] & 0x0E) ? 40 : 8;
  OGRGeometry* g = nullptr;
  OGRGeometryFactory::createFromWkb(blob.data() + header, nullptr, &g, blob.size() - header);
  return std::unique_ptr<OGRGeometry>(g);
}

// What SQL function `name` answers for the blob.
std::string Ask(sqlite3* db, const char* name, std::string_view blob) {
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, (std::string("SELECT ") + name + "(?)").c_str(), -1, &s, nullptr);
  sqlite3_bind_blob(s, 1, blob.data(), static_cast<int>(blob.size()), SQLITE_TRANSIENT);
  sqlite3_step(s);
  const unsigned char* text = sqlite3_column_text(s, 0);
  std::string answer = text ? reinterpret_cast<const char*>(text) : "null";
  sqlite3_finalize(s);
  return answer;
}

TEST(GeometryBlob, PartsCountedEnvelopesKeptAndAskedBySql) {
  GeometryBlob g;
  g.Open(WkbType::kMultiPolygon);
  g.Open(WkbType::kPolygon);
  const double outer[][2] = {{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}};
  const double inner[][2] = {{4, 4}, {6, 4}, {6, 6}, {4, 6}, {4, 4}};
  for (const auto* ring : {outer, inner}) {
    g.OpenRing();
    for (int i = 0; i < 5; ++i) g.Add(ring[i][0] - 20, ring[i][1] + 30);
    g.Close();
  }
  g.Close();
  g.Close();
  std::string area(g.Finish(6677));
  int32_t srs;
  std::memcpy(&srs, area.data() + 4, 4);
  EXPECT_EQ(srs, 6677);
  size_t header;
  auto read = Read(area, header);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(header, 40u);
  EXPECT_DOUBLE_EQ(read->toMultiPolygon()->get_Area(), 100 - 4);

  g.Clear();
  g.Point(1.5, -2);
  std::string point(g.Finish(-1));
  g.Clear();
  g.Open(WkbType::kLineString);
  g.Close();
  std::string empty(g.Finish(-1));
  EXPECT_TRUE(Read(empty, header)->IsEmpty());

  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  ASSERT_EQ(RegisterBlobFunctions(db), SQLITE_OK);
  EXPECT_EQ(Ask(db, "ST_MinX", area) + " " + Ask(db, "ST_MaxX", area) + " " +
                Ask(db, "ST_MinY", area) + " " + Ask(db, "ST_MaxY", area),
            "-20.0 -10.0 30.0 40.0");
  EXPECT_EQ(Ask(db, "ST_MinX", point) + " " + Ask(db, "ST_MaxY", point), "1.5 -2.0");
  EXPECT_EQ(Ask(db, "ST_IsEmpty", empty) + " " + Ask(db, "ST_MinX", empty), "1 null");
  EXPECT_EQ(Ask(db, "ST_IsEmpty", area), "0");
  EXPECT_EQ(Ask(db, "ST_MinX", "not a blob"), "null");
  sqlite3_close(db);
}

}  // namespace
}  // namespace sheetwright::gis
