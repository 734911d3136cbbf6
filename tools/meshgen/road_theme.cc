// The road network: centre lines (L2110) from crossing to crossing and road boundary lines (L2101)
// along the blocks' sides, across bridges and level crossings, and on a coastal sheet along the
// seaward edge of the shore road. road.atr marks the main street's centre arcs with a route name;
// every other centre arc has a line with value 0.
#include <string>

#include "meshgen/names.h"
#include "meshgen/themes.h"

namespace sheetwright::meshgen {

void BuildRoad(const ThemeInput& input, std::vector<MeshFile>& files) {
  const TownPlan& plan = input.plan;
  Random random(input.options.seed, 8);
  ArcFile arcs;
  AttributeFile attributes;
  const int blocks = plan.blocks();
  const int land = plan.land_columns();
  const int r = plan.river_row();
  const double river = plan.row(r).half_width;

  std::string column_route = RouteName(random);
  std::string row_route = RouteName(random);
  auto centre = [&](LineKind kind, const std::string& route, Point from, Point to) {
    int id = arcs.Add("L2110", 1, {from, to});
    if (kind == LineKind::kMainStreet) {
      attributes.Add({"L2110", std::to_string(id), "1", route});
    } else {
      attributes.Add({"L2110", std::to_string(id), "0", ""});
    }
  };
  for (int i = 1; i <= land; ++i) {
    LineKind kind = plan.column(i).kind;
    if (!IsStreet(kind)) continue;
    for (int j = 0; j < blocks; ++j) {
      if (!plan.StreetSegment(i, j)) continue;  // the street stops at this crossing
      Point from = plan.Node(i, j);
      Point to = plan.Node(i, j + 1);
      // Without a bridge the street ends at the river bank.
      if (!plan.bridge(i) && j + 1 == r) to = plan.Cross(i, 0, r, -river);
      if (!plan.bridge(i) && j == r) from = plan.Cross(i, 0, r, river);
      centre(kind, column_route, from, to);
    }
  }
  for (int j = 1; j < blocks; ++j) {
    LineKind kind = plan.row(j).kind;
    if (!IsStreet(kind)) continue;
    for (int i = 0; i < land; ++i) centre(kind, row_route, plan.Node(i, j), plan.Node(i + 1, j));
  }

  // Road edges along every block side that faces a street, between the corner cuts.
  for (int j = 0; j < blocks; ++j) {
    for (int i = 0; i < land; ++i) {
      if (plan.cell(i, j).span == 0) continue;
      const BlockShape block = plan.Block(i, j);
      for (int k = 0; k < 4; ++k) {
        if (!IsStreet(block.sides[k])) continue;
        Point from = block.corners[k];
        Point to = block.corners[(k + 1) % 4];
        Point start = block.chamfered[k] ? Toward(from, to, block.cut) : from;
        Point end = block.chamfered[(k + 1) % 4] ? Toward(to, from, block.cut) : to;
        arcs.Add("L2101", 1, {start, end});
      }
    }
  }
  // Bridges over the river and level crossings over the railway.
  for (int i = 1; i <= land; ++i) {
    if (!IsStreet(plan.column(i).kind) || !plan.bridge(i)) continue;
    double half = plan.column(i).half_width;
    for (double side : {-half, half}) {
      arcs.Add("L2101", 3, {plan.Cross(i, side, r, -river), plan.Cross(i, side, r, river)});
    }
  }
  const int t = plan.railway_column();
  const double railway = plan.column(t).half_width;
  for (int j = 1; j < blocks; ++j) {
    if (!IsStreet(plan.row(j).kind)) continue;
    double half = plan.row(j).half_width;
    for (double side : {-half, half}) {
      arcs.Add("L2101", 3, {plan.Cross(t, -railway, j, side), plan.Cross(t, railway, j, side)});
    }
  }
  if (plan.coastal()) {
    double half = plan.column(land).half_width;
    arcs.Add("L2101", 1, {plan.Cross(land, half, 0, 0), plan.Cross(land, half, r, -river)});
    arcs.Add("L2101", 1, {plan.Cross(land, half, r, river), plan.Cross(land, half, blocks, 0)});
  }

  files.push_back(arcs.Finish(&MeshFiles::RoadntwkArc, input.Header("ROAD")));
  files.push_back(attributes.Finish(&MeshFiles::RoadAtr, input.Header("ROAD")));
}

}  // namespace sheetwright::meshgen
