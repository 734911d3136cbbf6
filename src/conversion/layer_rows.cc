#include "conversion/layer_rows.h"

#include <array>

namespace sheetwright::conversion {
namespace {

using mapdata::MeshFiles;
using settings::FontId;
using K = settings::LayerKey;
using D = DrawerKind;
using N = TableNeed;
using L = TableLoad;

constexpr ConversionStep Always(TableLoad load, MeshPath file) {
  ConversionStep s;
  s.load = load;
  s.load_file = file;
  return s;
}

constexpr ConversionStep Fill(int row, K key, MeshPath pgn, std::string_view code, TableNeed need) {
  ConversionStep s;
  s.row = row;
  s.key = key;
  s.drawer = D::kFill;
  s.file = pgn;
  s.code = code;
  s.need = need;
  return s;
}

constexpr ConversionStep Outline(int row, K key, MeshPath pgn, std::string_view code,
                                 TableLoad load = L::kNone, MeshPath load_file = nullptr) {
  ConversionStep s;
  s.row = row;
  s.key = key;
  s.load = load;
  s.load_file = load_file;
  s.drawer = D::kOutline;
  s.file = pgn;
  s.code = code;
  s.need = N::kArcs;
  s.width_factor = 20;
  return s;
}

constexpr ConversionStep Arcs(int row, K key, MeshPath arc, std::string_view code, int factor,
                              DrawerKind drawer = D::kArcs, TableLoad load = L::kNone,
                              MeshPath load_file = nullptr) {
  ConversionStep s;
  s.row = row;
  s.key = key;
  s.load = load;
  s.load_file = load_file;
  s.drawer = drawer;
  s.file = arc;
  s.code = code;
  s.width_factor = factor;
  return s;
}

constexpr ConversionStep Names(int row, K key, MeshPath atr, std::string_view code, FontId font,
                               int field, TableLoad load, MeshPath load_file,
                               DrawerKind drawer = D::kNames, TableNeed need = N::kPolygons) {
  ConversionStep s;
  s.row = row;
  s.key = key;
  s.load = load;
  s.load_file = load_file;
  s.drawer = drawer;
  s.file = atr;
  s.code = code;
  s.need = need;
  s.font = font;
  s.field = field;
  return s;
}

constexpr auto kSteps = std::to_array<ConversionStep>({
    Always(L::kArcs, &MeshFiles::GyouseiArc),
    Fill(1, K::kSityoPoly, &MeshFiles::SiTyoPgn, "A", N::kTwoArcLines),
    Fill(2, K::kTyomePoly, &MeshFiles::TyomePgn, "A", N::kArcs),
    Always(L::kArcs, &MeshFiles::GaikuArc),
    Fill(3, K::kGaikuPoly, &MeshFiles::GaikuPgn, "A", N::kArcs),
    Outline(4, K::kGaikuLine, &MeshFiles::GaikuPgn, "A"),
    Always(L::kArcs, &MeshFiles::KasenArc),
    Fill(5, K::kKasenPoly, &MeshFiles::KasenPgn, "A", N::kArcs),
    Outline(6, K::kKasenLine, &MeshFiles::KasenPgn, "A"),
    Always(L::kArcs, &MeshFiles::MizuArc),
    Fill(7, K::kMizuPoly, &MeshFiles::MizuPgn, "A", N::kArcs),
    Outline(8, K::kMizuLine, &MeshFiles::MizuPgn, "A"),
    Always(L::kArcs, &MeshFiles::TatemonoArc),
    Fill(9, K::kTatemonoPoly, &MeshFiles::TatemonoPgn, "A", N::kArcs),
    Outline(10, K::kTatemonoLine, &MeshFiles::TatemonoPgn, "A"),
    Always(L::kArcs, &MeshFiles::OthersArc),
    // The premises share one polygon file; the classification code picks each ground class.
    Fill(11, K::kZyoPoly, &MeshFiles::ZyoutiPgn, "A6200", N::kArcs),
    Fill(12, K::kParkPoly, &MeshFiles::ZyoutiPgn, "A6242", N::kArcs),
    Fill(13, K::kSchoolPoly, &MeshFiles::ZyoutiPgn, "A6243", N::kArcs),
    Fill(14, K::kTemplePoly, &MeshFiles::ZyoutiPgn, "A6244", N::kArcs),
    Fill(15, K::kBotiPoly, &MeshFiles::ZyoutiPgn, "A6215", N::kArcs),
    Fill(16, K::kTetusikiPoly, &MeshFiles::ZyoutiPgn, "A6241", N::kArcs),
    Outline(17, K::kZyoLine, &MeshFiles::ZyoutiPgn, "A6200"),
    Outline(18, K::kParkLine, &MeshFiles::ZyoutiPgn, "A6242"),
    Outline(19, K::kSchoolLine, &MeshFiles::ZyoutiPgn, "A6243"),
    Outline(20, K::kTempleLine, &MeshFiles::ZyoutiPgn, "A6244"),
    Outline(21, K::kBotiLine, &MeshFiles::ZyoutiPgn, "A6215"),
    Outline(22, K::kTetusikiLine, &MeshFiles::ZyoutiPgn, "A6241"),
    Arcs(23, K::kTetuLine, &MeshFiles::OthersArc, "L2300", 30),
    Arcs(24, K::kKasencyuLine, &MeshFiles::KasenArc, "L5122", 30),
    Arcs(25, K::kSeaLine, &MeshFiles::MizuArc, "L5106", 30),
    Arcs(26, K::kLoadLine, &MeshFiles::RoadntwkArc, "L2110", 20),
    Arcs(27, K::kHosyaLine, &MeshFiles::RoadntwkArc, "L2110", 40, D::kMainRoads, L::kRoadAttributes,
         &MeshFiles::RoadAtr),
    Arcs(28, K::kKuikiLine, &MeshFiles::RoadntwkArc, "L2101", 20),
    Names(29, K::kGaikuName, &MeshFiles::GaikuAtr, "A", FontId::kGai, -7, L::kPolygonsIfEmpty,
          &MeshFiles::GaikuPgn),
    Names(30, K::kTatemonoName, &MeshFiles::TatemonoAtr, "A", FontId::kObj, 5, L::kPolygons,
          &MeshFiles::TatemonoPgn),
    Names(31, K::kZyoName, &MeshFiles::ZyoutiAtr, "A6200", FontId::kJyo, 4, L::kPolygons,
          &MeshFiles::ZyoutiPgn),
    Names(32, K::kParkName, &MeshFiles::ZyoutiAtr, "A6242", FontId::kPark, 4, L::kPolygons,
          &MeshFiles::ZyoutiPgn),
    Names(33, K::kSchoolName, &MeshFiles::ZyoutiAtr, "A6243", FontId::kSchool, 4, L::kPolygons,
          &MeshFiles::ZyoutiPgn),
    Names(34, K::kTempleName, &MeshFiles::ZyoutiAtr, "A6244", FontId::kTemple, 4, L::kPolygons,
          &MeshFiles::ZyoutiPgn),
    Names(35, K::kBotiName, &MeshFiles::ZyoutiAtr, "A6215", FontId::kBoti, 4, L::kPolygons,
          &MeshFiles::ZyoutiPgn),
    Names(36, K::kMizuName, &MeshFiles::MizuAtr, "A", FontId::kMizu, 4, L::kPolygons,
          &MeshFiles::MizuPgn),
    Names(37, K::kKasenName, &MeshFiles::KasenAtr, "A", FontId::kKawa, 4, L::kPolygons,
          &MeshFiles::KasenPgn),
    Always(L::kPoints, &MeshFiles::EkiPnt),
    Names(38, K::kEkiName, &MeshFiles::EkiAtr, "P2420", FontId::kEki, 4, L::kNone, nullptr,
          D::kPointNames, N::kPoints),
    Always(L::kArcs, &MeshFiles::GyouseiArc),
    Names(39, K::kTyomeName, &MeshFiles::TyomeAtr, "A", FontId::kCyo, 5, L::kPolygons,
          &MeshFiles::TyomePgn),
    Names(40, K::kSityoName, &MeshFiles::SiTyoAtr, "A", FontId::kSi, 5, L::kPolygons,
          &MeshFiles::SiTyoPgn),
    Outline(41, K::kTyomeLine, &MeshFiles::TyomePgn, "A", L::kArcs, &MeshFiles::GyouseiArc),
    Outline(42, K::kSityoLine, &MeshFiles::SiTyoPgn, "A", L::kArcs, &MeshFiles::GyouseiArc),
    Arcs(43, K::kKenLine, &MeshFiles::GyouseiArc, "L1101", 30),
});

// The rows must stand in order 1..43 with one step per layer key but the corner marks.
constexpr bool RowsComplete() {
  int next = 1;
  std::array<bool, settings::kLayerCount> seen{};
  for (const ConversionStep& s : kSteps) {
    if (s.row == 0) continue;
    if (s.row != next++) return false;
    int k = static_cast<int>(s.key);
    if (seen[k] || s.key == K::kSumiLine) return false;
    seen[k] = true;
    if ((s.drawer == D::kNames || s.drawer == D::kPointNames) != s.font.has_value()) return false;
  }
  return next == 44;
}
static_assert(RowsComplete());

}  // namespace

std::span<const ConversionStep> ConversionSteps() { return kSteps; }

}  // namespace sheetwright::conversion
