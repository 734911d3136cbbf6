// Small hand-made meshes for the conversion tests: every layer of the 43 rows has something to
// draw, each premises class sits in its own square, and any file can be dropped, replaced or
// broken. Header-only, shared by the unit tests here and the end-to-end tests; the temporary
// folder, the collecting sink and the file reads are the common ones (base/common_test_util.h).
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/common_test_util.h"
#include "settings/layer_styles.h"

namespace sheetwright::conversion::test_util {

using sheetwright::test_util::CollectingSink;
using sheetwright::test_util::ReadFileBytes;
using sheetwright::test_util::TempFolder;

// The layer keys of the 43 rows in stacking order, written out independently of the row table.
inline const std::vector<settings::LayerKey>& RowOrder() {
  using K = settings::LayerKey;
  static const std::vector<K> kOrder = {
      K::kSityoPoly,    K::kTyomePoly,    K::kGaikuPoly,  K::kGaikuLine,    K::kKasenPoly,
      K::kKasenLine,    K::kMizuPoly,     K::kMizuLine,   K::kTatemonoPoly, K::kTatemonoLine,
      K::kZyoPoly,      K::kParkPoly,     K::kSchoolPoly, K::kTemplePoly,   K::kBotiPoly,
      K::kTetusikiPoly, K::kZyoLine,      K::kParkLine,   K::kSchoolLine,   K::kTempleLine,
      K::kBotiLine,     K::kTetusikiLine, K::kTetuLine,   K::kKasencyuLine, K::kSeaLine,
      K::kLoadLine,     K::kHosyaLine,    K::kKuikiLine,  K::kGaikuName,    K::kTatemonoName,
      K::kZyoName,      K::kParkName,     K::kSchoolName, K::kTempleName,   K::kBotiName,
      K::kMizuName,     K::kKasenName,    K::kEkiName,    K::kTyomeName,    K::kSityoName,
      K::kTyomeLine,    K::kSityoLine,    K::kKenLine,
  };
  return kOrder;
}

struct MapPoint {
  double north, east;
};

// The five corners (closed) of a square of side `size` with its south-west corner at (n, e).
inline std::vector<MapPoint> Square(double n, double e, double size) {
  return {{n, e}, {n + size, e}, {n + size, e + size}, {n, e + size}, {n, e}};
}

inline std::string Coord(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  return buf;
}

struct ArcSpec {
  std::string code;  // "L2300"
  int line_type = 1;
  int id = 0;
  std::vector<MapPoint> points;
};

inline std::string ArcFile(const std::vector<ArcSpec>& arcs) {
  std::string body;
  int lines = 0;
  for (const ArcSpec& a : arcs) {
    body += a.code + "," + std::to_string(a.line_type) + "," + std::to_string(a.id) + "," +
            std::to_string(a.points.size()) + "\r\n";
    ++lines;
    for (const MapPoint& p : a.points) {
      body += Coord(p.north) + "," + Coord(p.east) + "\r\n";
      ++lines;
    }
  }
  return "533945,ARC,1," + std::to_string(lines) + "\r\n" + body;
}

struct PolySpec {
  std::string code;  // "A6242"
  int id = 0;
  std::vector<int> arcs;  // signed references
  MapPoint label;
};

inline std::string PolygonFile(const std::vector<PolySpec>& polygons) {
  std::string body;
  for (const PolySpec& p : polygons) {
    body += p.code + "," + std::to_string(p.id) + "," + std::to_string(p.arcs.size()) + "," +
            Coord(p.label.north) + "," + Coord(p.label.east) + "\r\n";
    for (int a : p.arcs) body += std::to_string(a) + "\r\n";
  }
  return "533945,PGN,1,x," + std::to_string(polygons.size()) + "\r\n" + body;
}

// Name lines with fields 3 to 7 filled, so that every field choice (-7, 4, 5) finds a name.
inline std::string NameFile(const std::vector<std::pair<std::string, int>>& code_and_id,
                            const std::string& name) {
  std::string body;
  for (const auto& [code, id] : code_and_id) {
    body += code + "," + std::to_string(id) + ",x," + name + "4," + name + "5," + name + "6," +
            name + "7\r\n";
  }
  return "533945,ATR,1,x," + std::to_string(code_and_id.size()) + "\r\n" + body;
}

// Headers begin with the mesh code, as the data's do: a header never passes for a record line.
// A mesh folder with every data file of the conversion.
class TestMesh {
 public:
  // Where each premises class stands (south-west corner of its 50-unit square).
  static MapPoint PremisesCorner(int index) { return {800.0, 100.0 + 120.0 * index}; }
  static constexpr const char* kPremisesCodes[6] = {"A6200", "A6242", "A6243",
                                                    "A6244", "A6215", "A6241"};

  TestMesh() {
    files_["gyousei/gyousei.arc"] = ArcFile({{"L1101", 1, 1, {{100, 100}, {1400, 1900}}},
                                             {"L1102", 1, 2, Square(200, 200, 600)},
                                             {"L1103", 1, 3, Square(300, 300, 400)}});
    files_["gyousei/si_tyo.pgn"] = PolygonFile({{"A1201", 1, {2}, {500, 500}}});
    files_["gyousei/tyome.pgn"] = PolygonFile({{"A1202", 1, {3}, {450, 450}}});
    files_["gyousei/si_tyo.atr"] = NameFile({{"A1201", 1}}, "SI");
    files_["gyousei/tyome.atr"] = NameFile({{"A1202", 1}}, "CYO");

    files_["gaiku/GAIKU.ARC"] = ArcFile({{"L3101", 1, 1, Square(600, 600, 100)}});
    files_["gaiku/GAIKU.PGN"] = PolygonFile({{"A3101", 1, {1}, {650, 650}}});
    files_["gaiku/GAIKU.ATR"] = NameFile({{"A3101", 1}}, "GAI");

    files_["kasen/kasen.arc"] = ArcFile(
        {{"L5101", 1, 1, Square(1000, 1000, 80)}, {"L5122", 1, 2, {{1000, 900}, {1100, 1200}}}});
    files_["kasen/kasen.pgn"] = PolygonFile({{"A5101", 1, {1}, {1040, 1040}}});
    files_["kasen/kasen.atr"] = NameFile({{"A5101", 1}}, "KAWA");

    files_["mizu/mizu.arc"] = ArcFile(
        {{"L5101", 1, 1, Square(1200, 200, 80)}, {"L5106", 1, 2, {{1300, 0}, {1300, 600}}}});
    files_["mizu/mizu.pgn"] = PolygonFile({{"A5101", 1, {1}, {1240, 240}}});
    files_["mizu/mizu.atr"] = NameFile({{"A5101", 1}}, "MIZU");

    files_["tatemono/tatemono.arc"] = ArcFile({{"L3001", 1, 1, Square(900, 1500, 40)}});
    files_["tatemono/tatemono.pgn"] = PolygonFile({{"A3001", 1, {1}, {920, 1520}}});
    files_["tatemono/tatemono.atr"] = NameFile({{"A3001", 1}}, "OBJ");

    std::vector<ArcSpec> others = {{"L2300", 1, 1, {{50, 0}, {50, 2000}}}};
    std::vector<PolySpec> premises;
    std::vector<std::pair<std::string, int>> premises_names;
    for (int i = 0; i < 6; ++i) {
      MapPoint c = PremisesCorner(i);
      others.push_back({"L6200", 1, 10 + i, Square(c.north, c.east, 50)});
      premises.push_back({kPremisesCodes[i], 10 + i, {10 + i}, {c.north + 25, c.east + 25}});
      premises_names.push_back({kPremisesCodes[i], 10 + i});
    }
    files_["others/others.arc"] = ArcFile(others);
    files_["others/zyouti.pgn"] = PolygonFile(premises);
    files_["others/zyouti.atr"] = NameFile(premises_names, "ZYO");
    files_["others/eki.pnt"] = "533945,PNT,1,x,1\r\nP2420,1,60.0,700.0\r\n";
    files_["others/eki.atr"] = NameFile({{"P2420", 1}}, "EKI");

    files_["road/roadntwk.arc"] = ArcFile({{"L2110", 1, 1, {{400, 0}, {400, 2000}}},
                                           {"L2110", 1, 2, {{0, 1000}, {1500, 1000}}},
                                           {"L2101", 1, 3, {{410, 0}, {410, 2000}}}});
    files_["road/road.atr"] = "533945,ATR,1,x,2\r\nL2110,1,1,MAIN\r\nL2110,2,0\r\n";
  }

  // Relative path ("others/eki.pnt") -> bytes; edit before Write.
  std::map<std::string, std::string>& files() { return files_; }
  void Remove(const std::string& relative_path) { files_.erase(relative_path); }

  void Write(const std::string& folder) const {
    std::filesystem::create_directories(folder);
    for (const auto& [rel, bytes] : files_) {
      std::filesystem::path p = std::filesystem::path(folder) / rel;
      std::filesystem::create_directories(p.parent_path());
      std::ofstream out(p, std::ios::binary);
      out << bytes;
      if (!out) throw std::runtime_error("cannot write " + p.string());
    }
  }

 private:
  std::map<std::string, std::string> files_;
};

}  // namespace sheetwright::conversion::test_util
