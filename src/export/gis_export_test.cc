// The GeoPackage read back through GDAL, an independent reader: areas with holes, reversed
// references, names, coordinates, bad records, placed sheets in one file, a failed mesh rolled
// back.
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include "base/common_test_util.h"
#include "export/gis_layers.h"
#include "export/gpkg_store.h"
#include "mapdata/mesh_files.h"

namespace sheetwright::gis {
namespace {

using test_util::CollectingSink;
using test_util::TempFolder;

// One block with a courtyard (arcs 1 outer, 2 inner), the same square twice from two arcs with
// one reversed (3, -4 and 4, -3), an open ring (5), a missing arc (99). North first, then east.
const char kArcs[] =
    "m,ARC,x,9\r\n"
    "L7101,1,1,5\r\n0,0\r\n0,100\r\n100,100\r\n100,0\r\n0,0\r\n"
    "L7101,1,2,5\r\n40,40\r\n60,40\r\n60,60\r\n40,60\r\n40,40\r\n"
    "L7101,1,3,3\r\n0,200\r\n0,300\r\n100,300\r\n"
    "L7101,1,4,3\r\n0,200\r\n100,200\r\n100,300\r\n"
    "L7101,1,5,3\r\n10.5,500.25\r\n10.5,600\r\n50,600\r\n";
const char kPolygons[] =
    "m,PGN,x,x,5\r\n"
    "A7101,1,2,50,50\r\n1\r\n2\r\n"
    "A7101,2,2,50,250\r\n3\r\n-4\r\n"
    "A7101,3,2,50,250\r\n4\r\n-3\r\n"
    "A7101,4,1,20,550\r\n5\r\n"
    "A7101,5,2,0,0\r\n1\r\n99\r\n";
// Names: field 7; "一" in CP932, then a lead byte without its trail byte.
const char kNames[] =
    "m,ATR,x,x,2\r\n"
    "A7101,1,1,1,1,0,\x88\xea\r\n"
    "A7101,2,1,1,1,0,A\x88\r\n";

std::string MakeMesh(const TempFolder& dir, const std::string& mesh, const std::string& arcs) {
  dir.Write(mesh + "/gaiku/GAIKU.ARC", arcs);
  dir.Write(mesh + "/gaiku/GAIKU.PGN", kPolygons);
  dir.Write(mesh + "/gaiku/GAIKU.ATR", kNames);
  return dir / mesh;
}

struct Dataset {
  explicit Dataset(const std::string& path)
      : ds(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY)) {}
  ~Dataset() { GDALClose(ds); }
  OGRLayer& operator[](const char* name) const { return *ds->GetLayerByName(name); }
  // Features of a layer by pid.
  std::map<int, std::unique_ptr<OGRFeature>> ByPid(const char* name) const {
    std::map<int, std::unique_ptr<OGRFeature>> out;
    OGRLayer& layer = (*this)[name];
    layer.ResetReading();
    while (OGRFeature* f = layer.GetNextFeature()) out[f->GetFieldAsInteger("pid")].reset(f);
    return out;
  }
  GDALDataset* ds;
};

TEST(GisExport, AreasHolesReversedReferencesNamesAndBadRecords) {
  TempFolder dir;
  std::string folder = MakeMesh(dir, "m1", kArcs);
  CollectingSink sink;
  StagedGpkg staged(dir / "m1.gpkg", folder, "m1", Placement{}, sink);
  staged.Commit();
  EXPECT_EQ(std::filesystem::directory_iterator(dir.path())->path().filename(), "m1")
      << "only the mesh and its GeoPackage remain";

  Dataset gpkg(dir / "m1.gpkg");
  ASSERT_NE(gpkg.ds, nullptr);
  EXPECT_EQ(gpkg["gaiku_arc"].GetFeatureCount(), 5);
  const OGRSpatialReference* srs = gpkg["gaiku_arc"].GetSpatialRef();
  EXPECT_TRUE(srs == nullptr || srs->IsLocal()) << "sheet-local: no CRS, and not degrees";
  auto areas = gpkg.ByPid("gaiku_polygon");
  ASSERT_EQ(areas.size(), 3u);
  const OGRGeometry* block = areas[1]->GetGeometryRef();
  EXPECT_TRUE(!OGRGeometryFactory::haveGEOS() || block->IsValid());
  EXPECT_DOUBLE_EQ(block->toMultiPolygon()->get_Area(), 100.0 * 100 - 20 * 20);
  EXPECT_EQ(block->toMultiPolygon()->getGeometryRef(0)->getNumInteriorRings(), 1);
  std::unique_ptr<OGRGeometry> apart(
      areas[2]->GetGeometryRef()->SymDifference(areas[3]->GetGeometryRef()));
  EXPECT_TRUE(!OGRGeometryFactory::haveGEOS() || (apart && apart->IsEmpty()))
      << "a reversed reference builds the same ring";
  EXPECT_DOUBLE_EQ(areas[2]->GetGeometryRef()->toMultiPolygon()->get_Area(), 10000.0);
  EXPECT_STREQ(areas[1]->GetFieldAsString("name"), "一");
  EXPECT_STREQ(areas[1]->GetFieldAsString("name_raw"), "88ea");
  EXPECT_STREQ(areas[2]->GetFieldAsString("name"), "A\xEF\xBF\xBD") << "U+FFFD";
  EXPECT_STREQ(areas[2]->GetFieldAsString("name_raw"), "4188");
  EXPECT_EQ(areas[1]->GetFieldAsInteger("code"), 7101);
  EXPECT_DOUBLE_EQ(areas[1]->GetFieldAsDouble("label_east"), 50);

  auto problems = gpkg.ByPid("polygon_problem");
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_STREQ(problems[4]->GetFieldAsString("problem"), "open_ring");
  EXPECT_STREQ(problems[5]->GetFieldAsString("problem"), "bad_reference");
  EXPECT_STREQ(problems[5]->GetFieldAsString("source"), "gaiku_polygon");
  // The open ring as a line in metres: easting x, northing y, as written.
  const OGRLineString* open = problems[4]->GetGeometryRef()->toMultiLineString()->getGeometryRef(0);
  EXPECT_EQ(open->getX(0), 500.25);
  EXPECT_EQ(open->getY(0), 10.5);
  // The collected outer ring of record 5 is kept with it.
  EXPECT_EQ(problems[5]->GetGeometryRef()->toMultiLineString()->getNumGeometries(), 1);
  EXPECT_EQ(sink.messages, std::vector<std::string>{"ARCID-NOTFOUND=99"});
}

// Unlike the drawing, the export reads on after a bad line: a name for a point that does not
// exist, an arc without its point count (written without geometry). Main roads and station names
// join as the drawing's layers join them.
TEST(GisExport, BadLinesAreToldAndTheRestOfTheFileIsStillRead) {
  TempFolder dir;
  dir.Write("m/road/roadntwk.arc",
            "m,ARC,x,4\r\nL2110,1,7\r\n5,5\r\nL2110,1,8,2\r\n1,2\r\n3,4\r\n");
  dir.Write("m/road/road.atr", "m,ATR,x,x,2\r\nL2110,8,0,\r\nL2110,8,3,\x8d\x91\x93\xb9\r\n");
  dir.Write("m/others/eki.pnt", "m,PNT,x,x,2\r\nP2420,1,10,20\r\nP2420,2,30,40\r\n");
  dir.Write("m/others/eki.atr", "m,ATR,x,x,2\r\nP2420,9,2420,X,\r\nP2420,2,2420,\x89\x77, \r\n");
  CollectingSink sink;
  StagedGpkg(dir / "m.gpkg", dir / "m", "m", Placement{}, sink).Commit();
  EXPECT_EQ(sink.messages, (std::vector<std::string>{"ARCファイルのレコード数不正=L2110,1,7",
                                                     "ATRID-NOTFOUND=9"}));
  // Named as the drawing names them: the file relative to the mesh folder, and the line.
  ASSERT_EQ(sink.places.size(), 2u);
  EXPECT_EQ(sink.places[0].file + ":" + std::to_string(sink.places[0].line),
            test_util::Native("road/roadntwk.arc:2"));
  EXPECT_EQ(sink.places[1].file + ":" + std::to_string(sink.places[1].line),
            test_util::Native("others/eki.atr:2"));
  Dataset gpkg(dir / "m.gpkg");
  std::map<int, std::unique_ptr<OGRFeature>> roads;
  for (auto& f : gpkg["road_arc"]) roads[f->GetFieldAsInteger("arc_id")].reset(f.release());
  ASSERT_EQ(roads.size(), 2u);
  EXPECT_EQ(roads[7]->GetGeometryRef(), nullptr);
  EXPECT_TRUE(roads[7]->IsFieldNull(roads[7]->GetFieldIndex("main_road")));
  EXPECT_EQ(roads[8]->GetFieldAsInteger("main_road"), 3) << "the first line with a value counts";
  EXPECT_STREQ(roads[8]->GetFieldAsString("main_road_text"), "国道");
  auto stations = gpkg.ByPid("eki_point");
  EXPECT_STREQ(stations[2]->GetFieldAsString("name"), "駅") << "trimmed as the label is";
  EXPECT_TRUE(stations[1]->IsFieldNull(stations[1]->GetFieldIndex("name")));
}

int Count(const Dataset& gpkg, const char* layer, const char* mesh) {
  OGRLayer& l = gpkg[layer];
  l.SetAttributeFilter(("mesh = '" + std::string(mesh) + "'").c_str());
  return static_cast<int>(l.GetFeatureCount());
}

// The first column of the first row a query answers.
int64_t Sql(const Dataset& gpkg, const char* query) {
  OGRLayer* result = gpkg.ds->ExecuteSQL(query, nullptr, nullptr);
  if (result == nullptr) return -1;
  std::unique_ptr<OGRFeature> row(result->GetNextFeature());
  int64_t value = row ? row->GetFieldAsInteger64(0) : -1;
  gpkg.ds->ReleaseResultSet(result);
  return value;
}

// GDAL's validator of GeoPackages (Debian's python3-gdal).
#define GDAL_SAMPLES "/usr/lib/python3/dist-packages/osgeo_utils/samples"

TEST(GisExport, SheetsPlacedSideBySideInOneFileAndAFailedMeshRolledBack) {
  TempFolder dir;
  std::string west = MakeMesh(dir, "west", kArcs);
  std::string east = MakeMesh(dir, "east", kArcs);
  // The same mesh with a coordinate that is not a number in its last arc.
  std::string bad_arcs(kArcs);
  bad_arcs.replace(bad_arcs.find("50,600"), 6, "50,x00");
  std::string bad = MakeMesh(dir, "bad", bad_arcs);
  auto origins = SheetOrigins::Parse(
      "mesh,easting,northing,epsg\nwest,-10000,-20000,6677\neast,-9000,-20000,6677\n"
      "bad,0,0,6677\n",
      "origins.csv");
  CollectingSink sink;
  {
    GpkgCollection into(dir / "all.gpkg");
    into.Append(west, "west", *origins.Find("west"), sink);
    into.Close();
  }
  GpkgCollection into(dir / "all.gpkg");  // appended to, not replaced
  into.Append(east, "east", *origins.Find("east"), sink);
  EXPECT_THROW(into.Append(bad, "bad", *origins.Find("bad"), sink), base::ConversionError);
  // Another CRS than the file's layers hold is refused before anything is written.
  EXPECT_THROW(into.Append(east, "east", Placement{0, 0, 4326}, sink), base::ConversionError);
  into.Close();

  Dataset gpkg(dir / "all.gpkg");
  EXPECT_EQ(Count(gpkg, "gaiku_polygon", "west"), 3);
  EXPECT_EQ(Count(gpkg, "gaiku_polygon", "east"), 3);
  EXPECT_EQ(Count(gpkg, "gaiku_arc", "bad"), 0) << "the failed mesh left nothing";
  EXPECT_EQ(Count(gpkg, "gaiku_arc", "east"), 5);
  EXPECT_EQ(Sql(gpkg, "SELECT HasSpatialIndex('gaiku_polygon', 'geom')"), 1)
      << "the mosaic has its spatial index";
  // The second batch went into the indexed file: the index and the counts kept up with it.
  EXPECT_EQ(Sql(gpkg, "SELECT count(*) FROM rtree_gaiku_polygon_geom WHERE minx >= -9000"), 3);
  EXPECT_EQ(Sql(gpkg,
                "SELECT feature_count FROM gpkg_ogr_contents "
                "WHERE table_name = 'gaiku_arc'"),
            10);
#ifndef _WIN32  // GDAL's validator runs on the build machine
  EXPECT_EQ(std::system(
                ("/usr/bin/python3 " GDAL_SAMPLES "/validate_gpkg.py " + dir / "all.gpkg").c_str()),
            0);
#endif
  OGRLayer& polygons = gpkg["gaiku_polygon"];
  ASSERT_NE(polygons.GetSpatialRef(), nullptr);
  EXPECT_STREQ(polygons.GetSpatialRef()->GetAuthorityCode(nullptr), "6677");
  OGREnvelope extent;
  polygons.SetAttributeFilter(nullptr);
  ASSERT_EQ(polygons.GetExtent(&extent, TRUE), OGRERR_NONE);
  EXPECT_EQ(extent.MinX, -10000);
  EXPECT_EQ(extent.MaxX, -9000 + 300);
  EXPECT_EQ(extent.MinY, -20000);
  EXPECT_EQ(extent.MaxY, -20000 + 100);
}

// Every record of the sample meshes becomes one feature of its layer, every area valid: the count
// of a layer is the count of its file's lines that begin with the record letter.
TEST(GisExport, SamplesGiveOneFeaturePerRecord) {
  const std::filesystem::path samples = SHEETWRIGHT_SOURCE_DIR "/examples/meshes";
  TempFolder dir;
  for (const char* mesh : {"533935-partial", "533945-urban", "533946-coastal"}) {
    CollectingSink sink;
    StagedGpkg(dir / mesh, (samples / mesh).string(), mesh, Placement{}, sink).Commit();
    EXPECT_TRUE(sink.messages.empty()) << mesh;
    Dataset gpkg(dir / mesh);
    mapdata::MeshFiles files = mapdata::FileSet((samples / mesh).string());
    for (const LayerSpec& spec : kLayers) {
      if (spec.kind == LayerKind::kProblem) continue;
      std::string text = test_util::ReadFileBytes(files.*spec.file);
      char letter = spec.kind == LayerKind::kArc ? 'L' : spec.kind == LayerKind::kPoint ? 'P' : 'A';
      int records = text.starts_with(letter);
      for (size_t i = text.find(std::string("\n") + letter); i != std::string::npos;
           i = text.find(std::string("\n") + letter, i + 1)) {
        ++records;
      }
      OGRLayer& layer = gpkg[std::string(spec.name).c_str()];
      EXPECT_EQ(layer.GetFeatureCount(), records) << mesh << " " << spec.name;
      if (spec.kind != LayerKind::kPolygon) continue;
      for (auto& feature : layer) {
        EXPECT_TRUE(!OGRGeometryFactory::haveGEOS() || feature->GetGeometryRef()->IsValid())
            << mesh << " " << feature->GetFID();
      }
    }
    EXPECT_EQ(gpkg["polygon_problem"].GetFeatureCount(), 0) << mesh;
  }
}

// A cut line from the outer ring to the courtyard, walked there and back (arc 6), as sheet data
// has it; the outer ring given clockwise (-1), the courtyard counter-clockwise (-2).
TEST(GisExport, ACutLineCancelsAndRingsRunOuterCounterClockwiseHolesClockwise) {
  TempFolder dir;
  std::string arcs = std::string(kArcs) + "L7101,1,6,2\r\n0,0\r\n40,40\r\n";
  dir.Write("m/gaiku/GAIKU.ARC", arcs);
  dir.Write("m/gaiku/GAIKU.PGN", "m,PGN,x,x,1\r\nA7101,1,4,50,50\r\n-1\r\n6\r\n-2\r\n-6\r\n");
  CollectingSink sink;
  StagedGpkg(dir / "m.gpkg", dir / "m", "m", Placement{}, sink).Commit();
  Dataset gpkg(dir / "m.gpkg");
  auto areas = gpkg.ByPid("gaiku_polygon");
  ASSERT_EQ(areas.size(), 1u) << "not a problem record";
  const OGRPolygon* block = areas[1]->GetGeometryRef()->toMultiPolygon()->getGeometryRef(0);
  EXPECT_TRUE(!OGRGeometryFactory::haveGEOS() || block->IsValid());
  ASSERT_EQ(block->getNumInteriorRings(), 1);
  EXPECT_FALSE(block->getExteriorRing()->isClockwise());
  EXPECT_TRUE(block->getInteriorRing(0)->isClockwise());
  EXPECT_DOUBLE_EQ(block->get_Area(), 100.0 * 100 - 20 * 20);
}

// The --into file re-run: a mesh it holds is replaced, not doubled; a file that would take a mesh
// only in part is refused untouched; a file this run made and filled with nothing is removed; a
// stop rolls the mesh back.
TEST(GisExport, IntoFileReplacesAMeshRefusesUntouchedAndStops) {
  TempFolder dir;
  std::string west = MakeMesh(dir, "west", kArcs);
  const std::string all = dir / "all.gpkg";
  for (int run = 0; run < 2; ++run) {
    CollectingSink sink;
    GpkgCollection into(all);
    into.Append(west, "west", Placement{}, sink);
    into.Close();
    EXPECT_EQ(sink.messages.size(), run == 0 ? 1u : 2u) << "the second run says it replaced";
  }
  {
    Dataset gpkg(all);
    EXPECT_EQ(Count(gpkg, "gaiku_polygon", "west"), 3);
    EXPECT_EQ(gpkg["gaiku_arc"].GetFeatureCount(), 5);
    EXPECT_EQ(Sql(gpkg, "SELECT count(*) FROM rtree_gaiku_arc_geom"), 5);
  }
  // Frozen, then of another CRS: refused, byte for byte as it was.
  const std::string before = test_util::ReadFileBytes(all);
  chmod(all.c_str(), 0444);
  CollectingSink sink;
  EXPECT_THROW(GpkgCollection(all).Append(west, "west", Placement{}, sink), base::ConversionError);
  chmod(all.c_str(), 0644);
  EXPECT_THROW(GpkgCollection(all).Append(west, "west", Placement{0, 0, 6677}, sink),
               base::ConversionError);
  EXPECT_EQ(test_util::ReadFileBytes(all), before);

  // A new file whose only mesh fails, or is stopped, is not left behind.
  const std::string fresh = dir / "fresh.gpkg";
  std::string bad_arcs(kArcs);
  bad_arcs.replace(bad_arcs.find("50,600"), 6, "50,x00");
  EXPECT_THROW(GpkgCollection(fresh).Append(MakeMesh(dir, "bad", bad_arcs), "bad", {}, sink),
               base::ConversionError);
  EXPECT_FALSE(std::filesystem::exists(fresh));
  EXPECT_THROW(GpkgCollection(fresh, [] { return true; }).Append(west, "west", {}, sink),
               base::ConversionCancelled);
  EXPECT_FALSE(std::filesystem::exists(fresh));
  // A stop while the existing file is indexed leaves it without the index.
  std::filesystem::copy_file(all, fresh);
  GDALDataset* writable = GDALDataset::Open(fresh.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE);
  writable->ReleaseResultSet(
      writable->ExecuteSQL("SELECT DisableSpatialIndex('gaiku_arc', 'geom')", nullptr, nullptr));
  GDALClose(writable);
  bool stop = false;
  GpkgCollection again(fresh, [&] { return stop; });
  again.Append(west, "west", {}, sink);
  stop = true;
  EXPECT_THROW(again.Close(), base::ConversionCancelled);
  Dataset gpkg(fresh);
  EXPECT_EQ(Sql(gpkg, "SELECT HasSpatialIndex('gaiku_arc', 'geom')"), 0);
  EXPECT_EQ(gpkg["gaiku_arc"].GetFeatureCount(), 5);
}

// An index of three levels, packed at once: SQLite's own check finds it sound, and it finds what
// a scan of the rows finds, after GDAL has written through its triggers too.
TEST(GisExport, PackedIndexIsSoundAndFindsWhatTheRowsHold) {
  TempFolder dir;
  std::string arcs(kArcs);
  for (int i = 0; i < 3000; ++i) {
    const int north = i / 60 * 10, east = i % 60 * 10;
    arcs += "L7101,1," + std::to_string(100 + i) + ",2\r\n" + std::to_string(north) + "," +
            std::to_string(east) + "\r\n" + std::to_string(north + 5) + "," +
            std::to_string(east + 7.5) + "\r\n";
  }
  const std::string all = dir / "all.gpkg";
  CollectingSink sink;
  GpkgCollection into(all);
  into.Append(MakeMesh(dir, "m", arcs), "m", Placement{}, sink);
  into.Close();
  GDALDataset* writable = GDALDataset::Open(all.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE);
  writable->ReleaseResultSet(
      writable->ExecuteSQL("DELETE FROM gaiku_arc WHERE fid % 7 = 0", nullptr, nullptr));
  GDALClose(writable);
  Dataset gpkg(all);
  EXPECT_EQ(Sql(gpkg, "SELECT rtreecheck('rtree_gaiku_arc_geom') = 'ok'"), 1);
  EXPECT_EQ(Sql(gpkg, "SELECT max(nodeno) > 60 FROM rtree_gaiku_arc_geom_node"), 1);
  for (const char* box : {"100, 300, 50, 200", "-1, 0, -1, 0", "-1e9, 1e9, -1e9, 1e9"}) {
    double x0, x1, y0, y1;
    ASSERT_EQ(std::sscanf(box, "%lf, %lf, %lf, %lf", &x0, &x1, &y0, &y1), 4);
    auto overlap = [&](const char* minx, const char* maxx, const char* miny, const char* maxy) {
      return std::string(minx) + " <= " + std::to_string(x1) + " AND " + maxx +
             " >= " + std::to_string(x0) + " AND " + miny + " <= " + std::to_string(y1) + " AND " +
             maxy + " >= " + std::to_string(y0);
    };
    const std::string indexed = "SELECT count(*) FROM rtree_gaiku_arc_geom WHERE " +
                                overlap("minx", "maxx", "miny", "maxy");
    const std::string scanned =
        "SELECT count(*) FROM gaiku_arc WHERE " +
        overlap("ST_MinX(geom)", "ST_MaxX(geom)", "ST_MinY(geom)", "ST_MaxY(geom)");
    EXPECT_EQ(Sql(gpkg, indexed.c_str()), Sql(gpkg, scanned.c_str())) << box;
    EXPECT_GT(Sql(gpkg, scanned.c_str()), 0) << box;
  }
}

TEST(GisExport, SheetOriginsRefuseWhatTheyCannotPlace) {
  EXPECT_THROW(SheetOrigins::Parse("a,1\n", "f"), std::runtime_error);
  EXPECT_THROW(SheetOrigins::Parse("a,1,2\na,3,4\n", "f"), std::runtime_error);
  EXPECT_THROW(SheetOrigins::Parse("# nothing\n", "f"), std::runtime_error);
  for (const char* line : {"a,1e20,0\n", "a,0,1e300,6677\n", "a,0,0,4326\n", "a,0,0,999999\n"}) {
    try {
      SheetOrigins::Parse(std::string("mesh,easting,northing,epsg\n") + line, "f");
      ADD_FAILURE() << line;
    } catch (const base::ConversionError& e) {
      EXPECT_TRUE(std::string(e.what()).starts_with("f:2: ")) << e.what();
    }
  }
  EXPECT_EQ(SheetOrigins::Parse("\xEF\xBB\xBFmesh,easting,northing\na,1,2\n", "f").size(), 1u);
  GisRequest request;
  request.origins = std::make_shared<SheetOrigins>(SheetOrigins::Parse("a,1,2\n", "f"));
  EXPECT_EQ(request.PlacementOf("a").north, 2);
  EXPECT_THROW(request.PlacementOf("b"), base::ConversionError);
}

}  // namespace
}  // namespace sheetwright::gis
