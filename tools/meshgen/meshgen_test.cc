// Checks of generated meshes against the rules every reader of map data relies on: the file set,
// header counts, line ends, closed polygon rings made of existing arcs, label points inside their
// polygons, attributes that name existing features, and determinism.
#include "meshgen/meshgen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/common_test_util.h"
#include "base/encoding.h"
#include "base/numbers.h"
#include "mapdata/fields.h"
#include "mapdata/record_lines.h"
#include "mapdata/sheet_place.h"

namespace sheetwright::meshgen {

void PrintTo(const Options& options, std::ostream* out) {
  *out << "seed " << options.seed << ", " << options.blocks << " blocks"
       << (options.coastal ? ", coastal" : "");
}

namespace {

namespace fs = std::filesystem;
using base::StrToInt;
using mapdata::Field;
using mapdata::LineCursor;
using test_util::TempFolder;

const std::vector<std::string> kAllFiles = {
    "gaiku/GAIKU.PGN",       "gaiku/GAIKU.ATR",       "gaiku/GAIKU.ARC",
    "gyousei/gyousei.arc",   "gyousei/si_tyo.pgn",    "gyousei/si_tyo.atr",
    "gyousei/tyome.pgn",     "gyousei/tyome.atr",     "tatemono/tatemono.atr",
    "tatemono/tatemono.arc", "tatemono/tatemono.pgn", "mizu/mizu.pgn",
    "mizu/mizu.atr",         "mizu/mizu.arc",         "kasen/kasen.pgn",
    "kasen/kasen.atr",       "kasen/kasen.arc",       "others/tetudou.atr",
    "others/others.arc",     "others/zyouti.pgn",     "others/zyouti.atr",
    "road/roadntwk.arc",     "road/road.atr",         "others/eki.pnt",
    "others/eki.atr"};

// Polygon files with the arc file their references point into.
const std::vector<std::pair<std::string, std::string>> kPolygonFiles = {
    {"gaiku/GAIKU.PGN", "gaiku/GAIKU.ARC"},
    {"gyousei/si_tyo.pgn", "gyousei/gyousei.arc"},
    {"gyousei/tyome.pgn", "gyousei/gyousei.arc"},
    {"tatemono/tatemono.pgn", "tatemono/tatemono.arc"},
    {"mizu/mizu.pgn", "mizu/mizu.arc"},
    {"kasen/kasen.pgn", "kasen/kasen.arc"},
    {"others/zyouti.pgn", "others/others.arc"}};

using Files = std::map<std::string, std::string>;

Files Build(const Options& options) {
  Files files;
  for (MeshFile& file : BuildMesh(options)) files[file.relative_path] = std::move(file.bytes);
  return files;
}

std::vector<std::string_view> Lines(const std::string& bytes) {
  std::vector<std::string_view> lines;
  LineCursor cursor(bytes);
  while (!cursor.AtEnd()) lines.push_back(cursor.Next());
  return lines;
}

bool IsRecordLine(std::string_view line) {
  return !line.empty() && (line[0] == 'L' || line[0] == 'A' || line[0] == 'P');
}

struct Arc {
  std::string_view code;
  int line_type = 0;
  std::vector<std::string_view> points;  // coordinate lines as written
};

std::map<int, Arc> ReadArcs(const std::string& bytes) {
  std::vector<std::string_view> lines = Lines(bytes);
  std::map<int, Arc> arcs;
  for (size_t k = 1; k < lines.size();) {
    std::string_view line = lines[k];
    EXPECT_TRUE(line.starts_with("L")) << line;
    EXPECT_TRUE(Field(line, 5).empty()) << line;
    int id = StrToInt(Field(line, 3));
    int count = StrToInt(Field(line, 4));
    Arc arc{Field(line, 1), StrToInt(Field(line, 2)), {}};
    EXPECT_GE(count, 2) << line;
    for (int c = 1; c <= count && k + c < lines.size(); ++c) arc.points.push_back(lines[k + c]);
    EXPECT_EQ(arc.points.size(), static_cast<size_t>(count)) << line;
    EXPECT_TRUE(arcs.emplace(id, arc).second) << "duplicate arc ID " << id;
    k += 1 + count;
  }
  return arcs;
}

struct Polygon {
  std::string_view record;
  std::vector<int> refs;
};

std::vector<Polygon> ReadPolygons(const std::string& bytes) {
  std::vector<std::string_view> lines = Lines(bytes);
  std::vector<Polygon> polygons;
  for (size_t k = 1; k < lines.size();) {
    Polygon polygon{lines[k], {}};
    EXPECT_TRUE(polygon.record.starts_with("A")) << polygon.record;
    int count = StrToInt(Field(polygon.record, 3));
    for (int c = 1; c <= count && k + c < lines.size(); ++c) {
      EXPECT_TRUE(Field(lines[k + c], 2).empty()) << lines[k + c];
      polygon.refs.push_back(StrToInt(lines[k + c]));
    }
    polygons.push_back(polygon);
    k += 1 + count;
  }
  return polygons;
}

using Ring = std::vector<std::string_view>;

// The rings of a polygon as coordinate texts, arcs followed in reference order, reversed where
// negative. Each arc must begin where the one before it ended; only after a ring has closed may
// the next arc begin a new ring (a hole). Fails the test otherwise.
std::vector<Ring> WalkRings(const Polygon& polygon, const std::map<int, Arc>& arcs,
                            const std::string& where) {
  std::vector<Ring> rings;
  for (int ref : polygon.refs) {
    auto found = arcs.find(std::abs(ref));
    if (found == arcs.end()) {
      ADD_FAILURE() << where << ": " << polygon.record << " references missing arc " << ref;
      return {};
    }
    Ring points = found->second.points;
    if (ref < 0) std::reverse(points.begin(), points.end());
    if (rings.empty() || rings.back().front() == rings.back().back()) {
      rings.push_back(points);
    } else if (rings.back().back() != points.front()) {
      ADD_FAILURE() << where << ": " << polygon.record << " breaks before arc " << ref;
      return {};
    } else {
      rings.back().insert(rings.back().end(), points.begin() + 1, points.end());
    }
  }
  EXPECT_FALSE(rings.empty()) << where << ": " << polygon.record;
  if (!rings.empty()) {
    EXPECT_EQ(rings.back().front(), rings.back().back()) << where << ": " << polygon.record;
  }
  return rings;
}

std::pair<double, double> Coordinates(std::string_view northing, std::string_view easting) {
  return {std::stod(std::string(easting)), std::stod(std::string(northing))};
}

// Even-odd rule over all rings, as the fill draws them.
bool Inside(const std::vector<Ring>& rings, std::pair<double, double> p) {
  bool inside = false;
  for (const Ring& ring : rings) {
    for (size_t k = 0; k + 1 < ring.size(); ++k) {
      auto [x1, y1] = Coordinates(Field(ring[k], 1), Field(ring[k], 2));
      auto [x2, y2] = Coordinates(Field(ring[k + 1], 1), Field(ring[k + 1], 2));
      if ((y1 > p.second) != (y2 > p.second) &&
          p.first < x1 + (p.second - y1) * (x2 - x1) / (y2 - y1)) {
        inside = !inside;
      }
    }
  }
  return inside;
}

bool IsCp932(std::string_view text) {
  return base::Cp932ToUtf8(text).find("\xEF\xBF\xBD") == std::string::npos;  // no U+FFFD
}

Options Urban() {
  Options options;
  options.seed = 11;
  options.blocks = 7;
  return options;
}

Options Coastal() {
  Options options;
  options.seed = 5;
  options.blocks = 9;
  options.coastal = true;
  return options;
}

Options Dense() {
  Options options;
  options.seed = 3;
  options.blocks = 31;
  return options;
}

class MeshShapes : public testing::TestWithParam<Options> {};

TEST_P(MeshShapes, HasEveryFileOfTheSet) {
  Files files = Build(GetParam());
  std::set<std::string> names;
  for (const auto& [path, bytes] : files) names.insert(path);
  EXPECT_EQ(names, std::set<std::string>(kAllFiles.begin(), kAllFiles.end()));
}

TEST_P(MeshShapes, HeadersCountTheStoredLinesAndEveryLineEndsInCrLf) {
  for (const auto& [path, bytes] : Build(GetParam())) {
    ASSERT_TRUE(bytes.ends_with("\r\n")) << path;
    for (size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', at + 1)) {
      ASSERT_TRUE(at > 0 && bytes[at - 1] == '\r') << path << " has a bare LF at " << at;
    }
    std::vector<std::string_view> lines = Lines(bytes);
    bool arc_file = path.ends_with(".arc") || path.ends_with(".ARC");
    int64_t expected = 0;
    for (size_t k = 1; k < lines.size(); ++k) expected += arc_file || IsRecordLine(lines[k]);
    // Drawers read the header like a record line: it must not look like one.
    EXPECT_FALSE(IsRecordLine(lines[0])) << path << ": " << lines[0];
    std::string_view count = Field(lines[0], arc_file ? 4 : 5);
    EXPECT_EQ(StrToInt(count), expected) << path << ": " << lines[0];
    EXPECT_TRUE(Field(lines[0], arc_file ? 5 : 6).empty()) << path << ": " << lines[0];
  }
}

TEST_P(MeshShapes, CoordinatesHaveOneDecimalAndStayOnTheSheet) {
  Files files = Build(GetParam());
  for (const auto& [path, bytes] : files) {
    if (!(path.ends_with(".arc") || path.ends_with(".ARC"))) continue;
    for (const auto& [id, arc] : ReadArcs(bytes)) {
      EXPECT_TRUE(arc.line_type >= 1 && arc.line_type <= 5) << path << " arc " << id;
      for (std::string_view point : arc.points) {
        std::string_view northing = Field(point, 1);
        std::string_view easting = Field(point, 2);
        ASSERT_TRUE(Field(point, 3).empty()) << path << ": " << point;
        for (std::string_view value : {northing, easting}) {
          ASSERT_EQ(value.find('.'), value.size() - 2) << path << ": " << point;
        }
        auto [x, y] = Coordinates(northing, easting);
        EXPECT_TRUE(x >= 0 && x <= 2000 && y >= 0 && y <= 1500) << path << ": " << point;
      }
    }
  }
}

TEST_P(MeshShapes, PolygonRingsCloseAndHoldTheirLabels) {
  Files files = Build(GetParam());
  for (const auto& [pgn, arc_file] : kPolygonFiles) {
    std::map<int, Arc> arcs = ReadArcs(files[arc_file]);
    std::vector<Polygon> polygons = ReadPolygons(files[pgn]);
    for (const Polygon& polygon : polygons) {
      std::vector<Ring> rings = WalkRings(polygon, arcs, pgn);
      if (rings.empty()) continue;
      auto label = Coordinates(Field(polygon.record, 4), Field(polygon.record, 5));
      EXPECT_TRUE(Inside(rings, label)) << pgn << ": label outside " << polygon.record;
    }
  }
}

// Road centre lines run between the blocks, never across one (a street left out between two
// merged blocks must not be drawn either).
TEST_P(MeshShapes, StreetsRunBetweenBlocks) {
  Files files = Build(GetParam());
  std::map<int, Arc> block_arcs = ReadArcs(files["gaiku/GAIKU.ARC"]);
  std::vector<std::vector<Ring>> blocks;
  for (const Polygon& polygon : ReadPolygons(files["gaiku/GAIKU.PGN"])) {
    blocks.push_back(WalkRings(polygon, block_arcs, "gaiku"));
  }
  for (const auto& [id, arc] : ReadArcs(files["road/roadntwk.arc"])) {
    if (arc.code != "L2110") continue;  // road edges run along the blocks' sides
    auto [x1, y1] = Coordinates(Field(arc.points.front(), 1), Field(arc.points.front(), 2));
    auto [x2, y2] = Coordinates(Field(arc.points.back(), 1), Field(arc.points.back(), 2));
    std::pair<double, double> middle = {(x1 + x2) / 2, (y1 + y2) / 2};
    for (const std::vector<Ring>& block : blocks) {
      ASSERT_FALSE(Inside(block, middle)) << "road arc " << id << " crosses a block";
    }
  }
}

// Neighbouring areas share one arc, each following it its own way; no area takes one arc twice.
TEST_P(MeshShapes, AreasShareTheirCommonBoundaryArcs) {
  Files files = Build(GetParam());
  for (std::string pgn : {"gaiku/GAIKU.PGN", "gyousei/tyome.pgn"}) {
    std::map<int, std::vector<int>> uses;
    for (const Polygon& polygon : ReadPolygons(files[pgn])) {
      for (int ref : polygon.refs) uses[std::abs(ref)].push_back(ref);
    }
    int shared = 0;
    for (const auto& [id, refs] : uses) {
      ASSERT_LE(refs.size(), 2u) << pgn << " arc " << id;
      if (refs.size() == 2) {
        EXPECT_EQ(refs[0], -refs[1]) << pgn << " arc " << id;
        ++shared;
      }
    }
    EXPECT_GT(shared, 0) << pgn;
  }
  // The cities are bounded by the districts' arcs.
  std::set<int> district_arcs;
  for (const Polygon& polygon : ReadPolygons(files["gyousei/tyome.pgn"])) {
    for (int ref : polygon.refs) district_arcs.insert(ref);
  }
  for (const Polygon& city : ReadPolygons(files["gyousei/si_tyo.pgn"])) {
    for (int ref : city.refs) EXPECT_TRUE(district_arcs.count(ref)) << ref;
  }
}

// Every attribute line names an existing feature and carries its name fields in CP932.
TEST_P(MeshShapes, AttributesNameExistingFeatures) {
  Files files = Build(GetParam());
  struct Case {
    std::string atr;
    std::string features;
    std::vector<int> name_fields;
  };
  const std::vector<Case> cases = {
      {"gaiku/GAIKU.ATR", "gaiku/GAIKU.PGN", {7}},
      {"gyousei/tyome.atr", "gyousei/tyome.pgn", {5, 6}},
      {"gyousei/si_tyo.atr", "gyousei/si_tyo.pgn", {5, 6}},
      {"tatemono/tatemono.atr", "tatemono/tatemono.pgn", {5, 6}},
      {"others/zyouti.atr", "others/zyouti.pgn", {4, 5}},
      {"kasen/kasen.atr", "kasen/kasen.pgn", {4, 5}},
      {"mizu/mizu.atr", "mizu/mizu.pgn", {4, 5}},
      {"others/eki.atr", "others/eki.pnt", {4, 5}},
  };
  for (const Case& c : cases) {
    std::map<int, std::string_view> records;  // ID -> record line of the feature
    std::vector<std::string_view> feature_lines = Lines(files[c.features]);
    for (size_t k = 1; k < feature_lines.size(); ++k) {
      if (IsRecordLine(feature_lines[k])) {
        records[StrToInt(Field(feature_lines[k], 2))] = feature_lines[k];
      }
    }
    std::vector<std::string_view> lines = Lines(files[c.atr]);
    EXPECT_GT(lines.size(), 1u) << c.atr;
    for (size_t k = 1; k < lines.size(); ++k) {
      std::string_view line = lines[k];
      auto feature = records.find(StrToInt(Field(line, 2)));
      ASSERT_NE(feature, records.end()) << c.atr << ": " << line;
      // A label layer selects both files by the same code.
      EXPECT_EQ(Field(line, 1), Field(feature->second, 1)) << c.atr << ": " << line;
      for (int field : c.name_fields) {
        std::string_view name = Field(line, field);
        EXPECT_FALSE(name.empty()) << c.atr << ": " << line;
        EXPECT_TRUE(IsCp932(name)) << c.atr << ": " << line;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Meshes, MeshShapes, testing::Values(Urban(), Coastal(), Dense()),
                         [](const testing::TestParamInfo<Options>& info) {
                           return std::string(info.index == 0   ? "Urban"
                                              : info.index == 1 ? "Coastal"
                                                                : "Dense");
                         });

std::set<std::string> Codes(const std::string& bytes) {
  std::set<std::string> codes;
  for (std::string_view line : Lines(bytes)) {
    if (IsRecordLine(line)) codes.insert(std::string(Field(line, 1)));
  }
  return codes;
}

TEST(MeshContent, HoldsEveryLayerCode) {
  Files files = Build(Urban());
  std::set<std::string> premises = Codes(files["others/zyouti.pgn"]);
  for (std::string code : {"A6200", "A6215", "A6241", "A6242", "A6243", "A6244"}) {
    EXPECT_TRUE(premises.count(code)) << code;
  }
  EXPECT_TRUE(Codes(files["others/others.arc"]).count("L2300"));
  EXPECT_TRUE(Codes(files["kasen/kasen.arc"]).count("L5122"));
  EXPECT_TRUE(Codes(files["gyousei/gyousei.arc"]).count("L1101"));
  EXPECT_TRUE(Codes(files["others/eki.pnt"]).count("P2420"));
  std::set<std::string> roads = Codes(files["road/roadntwk.arc"]);
  EXPECT_TRUE(roads.count("L2110") && roads.count("L2101"));
  EXPECT_FALSE(Codes(files["mizu/mizu.arc"]).count("L5106")) << "coastline on an inland sheet";
  EXPECT_TRUE(Codes(Build(Coastal())["mizu/mizu.arc"]).count("L5106"));
}

// A pond lies outside the park around it: the park's fill, drawn after the water, must not cover
// it. Checked at points just inside the pond's shore.
TEST(MeshContent, ParksLeaveTheirPondsUncovered) {
  Files files = Build(Urban());
  std::map<int, Arc> premises_arcs = ReadArcs(files["others/others.arc"]);
  std::vector<std::vector<Ring>> parks;
  for (const Polygon& polygon : ReadPolygons(files["others/zyouti.pgn"])) {
    if (Field(polygon.record, 1) == "A6242") {
      parks.push_back(WalkRings(polygon, premises_arcs, "zyouti"));
    }
  }
  std::map<int, Arc> water_arcs = ReadArcs(files["mizu/mizu.arc"]);
  std::vector<Polygon> ponds = ReadPolygons(files["mizu/mizu.pgn"]);
  ASSERT_FALSE(ponds.empty());
  for (const Polygon& pond : ponds) {
    auto centre = Coordinates(Field(pond.record, 4), Field(pond.record, 5));
    std::vector<Ring> shore = WalkRings(pond, water_arcs, "mizu");
    ASSERT_EQ(shore.size(), 1u);
    int parks_around = 0;
    for (std::string_view point : shore[0]) {
      auto [x, y] = Coordinates(Field(point, 1), Field(point, 2));
      std::pair<double, double> inner = {x + (centre.first - x) * 0.1,
                                         y + (centre.second - y) * 0.1};
      for (const std::vector<Ring>& park : parks) {
        EXPECT_FALSE(Inside(park, inner)) << pond.record << " covered near " << point;
        // The same point pushed outwards lies in the park.
        std::pair<double, double> outer = {x - (centre.first - x) * 0.1,
                                           y - (centre.second - y) * 0.1};
        parks_around += Inside(park, outer);
      }
    }
    EXPECT_EQ(parks_around, static_cast<int>(shore[0].size())) << pond.record;
  }
}

TEST(MeshContent, RoadAttributesMarkSomeCentreLinesAsMainRoads) {
  Files files = Build(Urban());
  std::set<int> centre_arcs;
  for (std::string_view line : Lines(files["road/roadntwk.arc"])) {
    if (line.starts_with("L2110")) centre_arcs.insert(StrToInt(Field(line, 3)));
  }
  std::set<int> described;
  int marked = 0;
  std::vector<std::string_view> lines = Lines(files["road/road.atr"]);
  for (size_t k = 1; k < lines.size(); ++k) {
    int arc = StrToInt(Field(lines[k], 2));
    EXPECT_TRUE(centre_arcs.count(arc)) << lines[k];
    described.insert(arc);
    if (StrToInt(Field(lines[k], 3)) != 0) {
      ++marked;
      EXPECT_TRUE(IsCp932(Field(lines[k], 4)) && !Field(lines[k], 4).empty()) << lines[k];
    }
  }
  EXPECT_EQ(described, centre_arcs);
  EXPECT_GT(marked, 0);
  EXPECT_LT(marked, static_cast<int>(centre_arcs.size()));
}

TEST(MeshContent, SheetEdgeArcsHaveLineTypeFive) {
  Files files = Build(Urban());
  for (std::string path : {"gaiku/GAIKU.ARC", "gyousei/gyousei.arc", "kasen/kasen.arc"}) {
    int edge = 0;
    for (const auto& [id, arc] : ReadArcs(files[path])) {
      edge += arc.line_type == 5;
      if (arc.line_type != 5) continue;
      // Both ends on the same sheet edge.
      auto [x1, y1] = Coordinates(Field(arc.points.front(), 1), Field(arc.points.front(), 2));
      auto [x2, y2] = Coordinates(Field(arc.points.back(), 1), Field(arc.points.back(), 2));
      bool on_edge = (x1 == x2 && (x1 == 0 || x1 == 2000)) || (y1 == y2 && (y1 == 0 || y1 == 1500));
      EXPECT_TRUE(on_edge) << path << " arc " << id;
    }
    EXPECT_GT(edge, 0) << path;
  }
}

TEST(Determinism, SameSeedSameBytesOtherSeedOtherBytes) {
  EXPECT_EQ(Build(Coastal()), Build(Coastal()));
  Options other = Coastal();
  other.seed += 1;
  Files a = Build(Coastal());
  Files b = Build(other);
  for (const auto& [path, bytes] : a) {
    if (path == "kasen/kasen.atr" || path == "gyousei/si_tyo.atr") continue;  // may match
    EXPECT_NE(bytes, b[path]) << path;
  }
}

TEST(Determinism, LeavingThemesOutKeepsTheOthersUnchanged) {
  Options partial = Urban();
  partial.omit_themes = {"kasen", "tatemono", "mizu"};
  Files full = Build(Urban());
  Files part = Build(partial);
  EXPECT_EQ(part.size(), full.size() - 9);
  for (const auto& [path, bytes] : part) {
    EXPECT_FALSE(path.starts_with("kasen/") || path.starts_with("tatemono/") ||
                 path.starts_with("mizu/"))
        << path;
    EXPECT_EQ(bytes, full[path]) << path;
  }
}

TEST(Size, GrowsWithTheBlockCountAndBlocksForBytesFindsTheSmallestFit) {
  Options options = Urban();
  // Once blocks stop being split further, the data grows with the number of blocks.
  options.blocks = 20;
  uint64_t small = MeshBytes(options);
  options.blocks = 40;
  uint64_t large = MeshBytes(options);
  EXPECT_GT(large, 3 * small);

  // Exact for small meshes, close above.
  const uint64_t small_target = 400'000;
  int blocks = BlocksForBytes(small_target, Urban());
  options.blocks = blocks;
  EXPECT_GE(MeshBytes(options), small_target);
  options.blocks = blocks - 1;
  EXPECT_LT(MeshBytes(options), small_target);

  const uint64_t target = 3'000'000;
  blocks = BlocksForBytes(target, Urban());
  options.blocks = blocks;
  EXPECT_GE(MeshBytes(options), target);
  options.blocks = blocks * 95 / 100;
  EXPECT_LT(MeshBytes(options), target);
}

TEST(Options, BadOptionsAreRefused) {
  Options options = Urban();
  options.blocks = kMinBlocks - 1;
  EXPECT_THROW(BuildMesh(options), std::invalid_argument);
  options = Urban();
  options.omit_themes = {"roads"};
  EXPECT_THROW(BuildMesh(options), std::invalid_argument);
  options.omit_themes.clear();
  for (std::string code : {"", "A12", "53,39", "5339\r\n"}) {
    options.mesh_code = code;
    EXPECT_THROW(BuildMesh(options), std::invalid_argument) << code;
  }
  options.mesh_code = "533945";
  options.blocks = kMinBlocks;
  EXPECT_NO_THROW(BuildMesh(options));
  options.coastal = true;
  EXPECT_NO_THROW(BuildMesh(options));
}

// A real sheet's headers carry its place; the record count the readers take (field 4 of an arc
// file, field 5 of the others) and every line after the header stay those of the short headers.
TEST(SheetCode, RealHeadersPlaceTheSheetAndKeepTheCountsAndBodies) {
  Options options = Urban();
  options.sheet_code = "07MD623";
  Files real = Build(options);
  Files plain = Build(Urban());
  ASSERT_EQ(real.size(), plain.size() + 1);
  EXPECT_EQ(mapdata::PlaceOfSheetText(real["07MD623.TXT"]), mapdata::PlaceOfSheetCode("07MD623"));
  for (const auto& [path, bytes] : plain) {
    const std::string& with = real[path];
    std::string_view header = std::string_view(with).substr(0, with.find('\r'));
    EXPECT_EQ(mapdata::PlaceOfHeader(header), mapdata::PlaceOfSheetCode("07MD623")) << path;
    int count_field = path.ends_with(".arc") || path.ends_with(".ARC") ? 4 : 5;
    std::string_view old_header = std::string_view(bytes).substr(0, bytes.find('\r'));
    EXPECT_EQ(mapdata::Field(header, count_field), mapdata::Field(old_header, count_field)) << path;
    EXPECT_EQ(with.substr(with.find('\r')), bytes.substr(bytes.find('\r'))) << path;
  }
  options.sheet_code = "07MD625";
  EXPECT_THROW(BuildMesh(options), std::invalid_argument);
}

TEST(GenerateMesh, WritesTheBuiltBytesUnderTheirExactNames) {
  TempFolder temp;
  fs::path mesh = temp.Path("nested/533945");
  Options options = Coastal();
  options.omit_themes = {"kasen"};
  GenerateMesh(mesh.string(), options);
  Files built = Build(options);
  size_t found = 0;
  for (const auto& entry : fs::recursive_directory_iterator(mesh)) {
    if (!entry.is_regular_file()) continue;
    std::string relative = fs::relative(entry.path(), mesh).generic_string();
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    ASSERT_TRUE(built.count(relative)) << relative;
    EXPECT_EQ(bytes.str(), built[relative]) << relative;
    ++found;
  }
  EXPECT_EQ(found, built.size());
  EXPECT_FALSE(fs::exists(mesh / "kasen"));
}

TEST(GenerateMesh, ReportsAFolderThatCannotBeMade) {
  TempFolder temp;
  fs::path blocker = temp.Path("file");
  std::ofstream(blocker) << "x";
  EXPECT_THROW(GenerateMesh((blocker / "mesh").string(), Urban()), std::runtime_error);
}

}  // namespace
}  // namespace sheetwright::meshgen
