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

// The edges of a block's grid of sub-blocks: across[k][l] runs west to east at height l,
// up[k][l] south to north at column k.
struct GridEdges {
  std::vector<std::vector<std::vector<Point>>> across;
  std::vector<std::vector<std::vector<Point>>> up;
};

// The arcs of those edges, indexed as the edges are.
struct GridArcs {
  std::vector<std::vector<int>> across;
  std::vector<std::vector<int>> up;
};

// What the gaiku theme writes, and the last block number given in each district.
struct GaikuFiles {
  ArcFile arcs;
  PolygonFile polygons;
  AttributeFile attributes;
  std::vector<int> block_numbers;
};

GridEdges SubBlockEdges(const BlockShape& block, const Cell& cell, int across, int up) {
  auto at = [&](int k, int l) { return block.At(cell.s_cuts[k], cell.t_cuts[l]); };
  GridEdges edges;
  edges.across.assign(across, std::vector<std::vector<Point>>(up + 1));
  edges.up.assign(across + 1, std::vector<std::vector<Point>>(up));
  for (int k = 0; k < across; ++k) {
    for (int l = 0; l <= up; ++l) edges.across[k][l] = {at(k, l), at(k + 1, l)};
  }
  for (int k = 0; k <= across; ++k) {
    for (int l = 0; l < up; ++l) edges.up[k][l] = {at(k, l), at(k, l + 1)};
  }
  return edges;
}

// Chamfers: the cut joins the two sides' arcs, which now end at the cut's ends.
void CutCorners(const BlockShape& block, int across, int up, GridEdges& edges) {
  const auto& c = block.corners;
  const double cut = block.cut;
  if (block.chamfered[0]) {
    Point on_left = Toward(c[0], c[3], cut);
    Point on_bottom = Toward(c[0], c[1], cut);
    auto& bottom = edges.across[0][0];
    bottom.front() = on_bottom;
    bottom.insert(bottom.begin(), on_left);
    edges.up[0][0].front() = on_left;
  }
  if (block.chamfered[1]) {
    Point on_bottom = Toward(c[1], c[0], cut);
    Point on_right = Toward(c[1], c[2], cut);
    edges.across[across - 1][0].back() = on_bottom;
    auto& right = edges.up[across][0];
    right.front() = on_right;
    right.insert(right.begin(), on_bottom);
  }
  if (block.chamfered[2]) {
    Point on_right = Toward(c[2], c[1], cut);
    Point on_top = Toward(c[2], c[3], cut);
    edges.up[across][up - 1].back() = on_right;
    auto& top = edges.across[across - 1][up];
    top.back() = on_top;
    top.push_back(on_right);
  }
  if (block.chamfered[3]) {
    Point on_top = Toward(c[3], c[2], cut);
    Point on_left = Toward(c[3], c[0], cut);
    edges.across[0][up].front() = on_top;
    auto& left = edges.up[0][up - 1];
    left.back() = on_left;
    left.push_back(on_top);
  }
}

// One arc per edge: the block's sides take the line type of what lies beyond them, the edges
// inside it line type 2. Rows of edges first, south to north, then columns, west to east.
GridArcs AddEdgeArcs(const BlockShape& block, int across, int up, const GridEdges& edges,
                     ArcFile& arcs) {
  GridArcs ids;
  ids.across.assign(across, std::vector<int>(up + 1));
  ids.up.assign(across + 1, std::vector<int>(up));
  for (int l = 0; l <= up; ++l) {
    int line_type = l == 0    ? SideLineType(block.sides[0])
                    : l == up ? SideLineType(block.sides[2])
                              : 2;
    for (int k = 0; k < across; ++k) {
      ids.across[k][l] = arcs.Add("L7101", line_type, edges.across[k][l]);
    }
  }
  for (int k = 0; k <= across; ++k) {
    int line_type = k == 0        ? SideLineType(block.sides[3])
                    : k == across ? SideLineType(block.sides[1])
                                  : 2;
    for (int l = 0; l < up; ++l) ids.up[k][l] = arcs.Add("L7101", line_type, edges.up[k][l]);
  }
  return ids;
}

// The sub-blocks of the block of cell (i, j) as polygons of four arcs, numbered on through the
// district's blocks.
void AddSubBlocks(const ThemeInput& input, int i, int j, const BlockShape& block, const Cell& cell,
                  const GridArcs& ids, GaikuFiles& out) {
  const int across = static_cast<int>(cell.s_cuts.size()) - 1;
  const int up = static_cast<int>(cell.t_cuts.size()) - 1;
  const int district = input.plan.DistrictOf(i, j);
  const std::string town_code = std::to_string(input.names.town_code(district));
  const std::string chome = std::to_string(input.names.chome_number(district));
  const std::string& city_code = input.names.CityCode(input.names.CityOf(district));
  for (int l = 0; l < up; ++l) {
    for (int k = 0; k < across; ++k) {
      std::vector<int> ring = {ids.across[k][l], ids.up[k + 1][l], -ids.across[k][l + 1],
                               -ids.up[k][l]};
      Point label = Average(SubBlockCorners(block, cell, k, l));
      int id = out.polygons.Add("A7101", ring, label);
      std::string number = std::to_string(++out.block_numbers[district]);
      out.attributes.Add({"A7101", std::to_string(id), city_code, town_code, chome, "0", number});
    }
  }
}

void AddBlock(const ThemeInput& input, int i, int j, GaikuFiles& out) {
  const BlockShape block = input.plan.Block(i, j);
  const Cell& cell = input.plan.cell(i, j);
  const int across = static_cast<int>(cell.s_cuts.size()) - 1;
  const int up = static_cast<int>(cell.t_cuts.size()) - 1;
  GridEdges edges = SubBlockEdges(block, cell, across, up);
  CutCorners(block, across, up, edges);
  const GridArcs ids = AddEdgeArcs(block, across, up, edges, out.arcs);
  AddSubBlocks(input, i, j, block, cell, ids, out);
}

}  // namespace

void BuildGaiku(const ThemeInput& input, std::vector<MeshFile>& files) {
  const TownPlan& plan = input.plan;
  GaikuFiles out;
  out.block_numbers.assign(plan.district_count(), 0);
  for (int j = 0; j < plan.blocks(); ++j) {
    for (int i = 0; i < plan.land_columns(); ++i) {
      if (plan.cell(i, j).span == 0) continue;  // part of the block to the west
      AddBlock(input, i, j, out);
    }
  }
  files.push_back(out.arcs.Finish(&MeshFiles::GaikuArc, input.Header("GAIKU")));
  files.push_back(out.polygons.Finish(&MeshFiles::GaikuPgn, input.Header("GAIKU")));
  files.push_back(out.attributes.Finish(&MeshFiles::GaikuAtr, input.Header("GAIKU")));
}

}  // namespace sheetwright::meshgen
