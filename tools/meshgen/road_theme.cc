// The road network: centre lines (L2110) from crossing to crossing and road boundary lines (L2101)
// along the blocks' sides, across bridges and level crossings, and on a coastal sheet along the
// seaward edge of the shore road. road.atr marks the main street's centre arcs with a route name;
// every other centre arc has a line with value 0.
#include <string>

#include "meshgen/names.h"
#include "meshgen/themes.h"

namespace sheetwright::meshgen {

namespace {

// A centre line arc from crossing to crossing, with its attribute line: the route name on the main
// street, value 0 elsewhere.
void AddCentreLine(LineKind kind, const std::string& route, Point from, Point to, ArcFile& arcs,
                   AttributeFile& attributes) {
  int id = arcs.Add("L2110", 1, {from, to});
  if (kind == LineKind::kMainStreet) {
    attributes.Add({"L2110", std::to_string(id), "1", route});
  } else {
    attributes.Add({"L2110", std::to_string(id), "0", ""});
  }
}

// Centre lines of the north-south streets, then of the east-west ones.
void AddCentreLines(const TownPlan& plan, Random& random, ArcFile& arcs,
                    AttributeFile& attributes) {
  const int blocks = plan.blocks();
  const int land = plan.land_columns();
  const int r = plan.river_row();
  const double river = plan.row(r).half_width;
  std::string column_route = RouteName(random);
  std::string row_route = RouteName(random);
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
      AddCentreLine(kind, column_route, from, to, arcs, attributes);
    }
  }
  for (int j = 1; j < blocks; ++j) {
    LineKind kind = plan.row(j).kind;
    if (!IsStreet(kind)) continue;
    for (int i = 0; i < land; ++i) {
      AddCentreLine(kind, row_route, plan.Node(i, j), plan.Node(i + 1, j), arcs, attributes);
    }
  }
}

// Road edges along every block side that faces a street, between the corner cuts.
void AddBlockEdges(const TownPlan& plan, ArcFile& arcs) {
  for (int j = 0; j < plan.blocks(); ++j) {
    for (int i = 0; i < plan.land_columns(); ++i) {
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
}

// Road edges of the bridges over the river, two per bridged street.
void AddBridgeEdges(const TownPlan& plan, ArcFile& arcs) {
  const int r = plan.river_row();
  const double river = plan.row(r).half_width;
  for (int i = 1; i <= plan.land_columns(); ++i) {
    if (!IsStreet(plan.column(i).kind) || !plan.bridge(i)) continue;
    double half = plan.column(i).half_width;
    for (double side : {-half, half}) {
      arcs.Add("L2101", 3, {plan.Cross(i, side, r, -river), plan.Cross(i, side, r, river)});
    }
  }
}

// Road edges of the level crossings over the railway, two per crossing street.
void AddLevelCrossingEdges(const TownPlan& plan, ArcFile& arcs) {
  const int t = plan.railway_column();
  const double railway = plan.column(t).half_width;
  for (int j = 1; j < plan.blocks(); ++j) {
    if (!IsStreet(plan.row(j).kind)) continue;
    double half = plan.row(j).half_width;
    for (double side : {-half, half}) {
      arcs.Add("L2101", 3, {plan.Cross(t, -railway, j, side), plan.Cross(t, railway, j, side)});
    }
  }
}

// Coastal sheets: the seaward edge of the shore road, south and north of the river.
void AddShoreEdge(const TownPlan& plan, ArcFile& arcs) {
  const int blocks = plan.blocks();
  const int land = plan.land_columns();
  const int r = plan.river_row();
  const double river = plan.row(r).half_width;
  double half = plan.column(land).half_width;
  arcs.Add("L2101", 1, {plan.Cross(land, half, 0, 0), plan.Cross(land, half, r, -river)});
  arcs.Add("L2101", 1, {plan.Cross(land, half, r, river), plan.Cross(land, half, blocks, 0)});
}

}  // namespace

void BuildRoad(const ThemeInput& input, std::vector<MeshFile>& files) {
  const TownPlan& plan = input.plan;
  Random random(input.options.seed, 8);
  ArcFile arcs;
  AttributeFile attributes;
  AddCentreLines(plan, random, arcs, attributes);
  AddBlockEdges(plan, arcs);
  AddBridgeEdges(plan, arcs);
  AddLevelCrossingEdges(plan, arcs);
  if (plan.coastal()) AddShoreEdge(plan, arcs);
  files.push_back(arcs.Finish(&MeshFiles::RoadntwkArc, input.Header("ROAD")));
  files.push_back(attributes.Finish(&MeshFiles::RoadAtr, input.Header("ROAD")));
}

}  // namespace sheetwright::meshgen
