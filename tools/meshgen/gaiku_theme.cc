// City blocks. Each street block is split into sub-blocks on a small grid; every edge of that grid
// is one arc, so neighbouring sub-blocks share their dividing arc (one of them following it
// backwards). Corners where two streets meet are cut off, as surveyed blocks are. Sides on the
// sheet edge are arcs of line type 5: the block goes on in the next sheet.
#include <string>

#include "meshgen/themes.h"

namespace sheetwright::meshgen {
namespace {

constexpr int kEdgeLineType = 5;

int SideLineType(LineKind kind) { return kind == LineKind::kEdge ? kEdgeLineType : 1; }

}  // namespace

void BuildGaiku(const ThemeInput& input, std::vector<MeshFile>& files) {
  const TownPlan& plan = input.plan;
  ArcFile arcs;
  PolygonFile polygons;
  AttributeFile attributes;
  std::vector<int> block_numbers(plan.district_count(), 0);

  for (int j = 0; j < plan.blocks(); ++j) {
    for (int i = 0; i < plan.land_columns(); ++i) {
      if (plan.cell(i, j).span == 0) continue;  // part of the block to the west
      const BlockShape block = plan.Block(i, j);
      const Cell& cell = plan.cell(i, j);
      const int across = static_cast<int>(cell.s_cuts.size()) - 1;
      const int up = static_cast<int>(cell.t_cuts.size()) - 1;
      auto at = [&](int k, int l) { return block.At(cell.s_cuts[k], cell.t_cuts[l]); };

      // Grid edges: across[k][l] runs west to east at height l, upward[k][l] south to north.
      std::vector<std::vector<std::vector<Point>>> across_edges(
          across, std::vector<std::vector<Point>>(up + 1));
      std::vector<std::vector<std::vector<Point>>> up_edges(across + 1,
                                                            std::vector<std::vector<Point>>(up));
      for (int k = 0; k < across; ++k) {
        for (int l = 0; l <= up; ++l) across_edges[k][l] = {at(k, l), at(k + 1, l)};
      }
      for (int k = 0; k <= across; ++k) {
        for (int l = 0; l < up; ++l) up_edges[k][l] = {at(k, l), at(k, l + 1)};
      }

      // Chamfers: the cut joins the two sides' arcs, which now end at the cut's ends.
      const auto& c = block.corners;
      const double cut = block.cut;
      if (block.chamfered[0]) {
        Point on_left = Toward(c[0], c[3], cut);
        Point on_bottom = Toward(c[0], c[1], cut);
        auto& bottom = across_edges[0][0];
        bottom.front() = on_bottom;
        bottom.insert(bottom.begin(), on_left);
        up_edges[0][0].front() = on_left;
      }
      if (block.chamfered[1]) {
        Point on_bottom = Toward(c[1], c[0], cut);
        Point on_right = Toward(c[1], c[2], cut);
        across_edges[across - 1][0].back() = on_bottom;
        auto& right = up_edges[across][0];
        right.front() = on_right;
        right.insert(right.begin(), on_bottom);
      }
      if (block.chamfered[2]) {
        Point on_right = Toward(c[2], c[1], cut);
        Point on_top = Toward(c[2], c[3], cut);
        up_edges[across][up - 1].back() = on_right;
        auto& top = across_edges[across - 1][up];
        top.back() = on_top;
        top.push_back(on_right);
      }
      if (block.chamfered[3]) {
        Point on_top = Toward(c[3], c[2], cut);
        Point on_left = Toward(c[3], c[0], cut);
        across_edges[0][up].front() = on_top;
        auto& left = up_edges[0][up - 1];
        left.back() = on_left;
        left.push_back(on_top);
      }

      std::vector<std::vector<int>> across_ids(across, std::vector<int>(up + 1));
      std::vector<std::vector<int>> up_ids(across + 1, std::vector<int>(up));
      for (int l = 0; l <= up; ++l) {
        int line_type = l == 0    ? SideLineType(block.sides[0])
                        : l == up ? SideLineType(block.sides[2])
                                  : 2;
        for (int k = 0; k < across; ++k) {
          across_ids[k][l] = arcs.Add("L7101", line_type, across_edges[k][l]);
        }
      }
      for (int k = 0; k <= across; ++k) {
        int line_type = k == 0        ? SideLineType(block.sides[3])
                        : k == across ? SideLineType(block.sides[1])
                                      : 2;
        for (int l = 0; l < up; ++l) up_ids[k][l] = arcs.Add("L7101", line_type, up_edges[k][l]);
      }

      const int district = plan.DistrictOf(i, j);
      const std::string town_code = std::to_string(input.names.town_code(district));
      const std::string chome = std::to_string(input.names.chome_number(district));
      const std::string& city_code = input.names.CityCode(input.names.CityOf(district));
      for (int l = 0; l < up; ++l) {
        for (int k = 0; k < across; ++k) {
          std::vector<int> ring = {across_ids[k][l], up_ids[k + 1][l], -across_ids[k][l + 1],
                                   -up_ids[k][l]};
          Point label = Average(SubBlockCorners(block, cell, k, l));
          int id = polygons.Add("A7101", ring, label);
          std::string number = std::to_string(++block_numbers[district]);
          attributes.Add({"A7101", std::to_string(id), city_code, town_code, chome, "0", number});
        }
      }
    }
  }
  files.push_back(arcs.Finish(&MeshFiles::GaikuArc, input.Header("GAIKU")));
  files.push_back(polygons.Finish(&MeshFiles::GaikuPgn, input.Header("GAIKU")));
  files.push_back(attributes.Finish(&MeshFiles::GaikuAtr, input.Header("GAIKU")));
}

}  // namespace sheetwright::meshgen
