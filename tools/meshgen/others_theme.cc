// Railway, grounds and stations. The railway runs along its grid column from the southern to the
// northern sheet edge, one arc per stretch between crossings, on railway land that the crossing
// streets and the river interrupt. Grounds fill whole blocks (schools, parks, shrines, cemeteries,
// other grounds) or stand in a sub-block (small shrines); all premises share one polygon file.
#include <string>

#include "meshgen/names.h"
#include "meshgen/themes.h"

namespace sheetwright::meshgen {
namespace {

struct GroundStyle {
  const char* code;
  Kind kind;
};

GroundStyle StyleOf(Ground ground) {
  switch (ground) {
    case Ground::kSchool:
      return {"A6243", Kind::kSchool};
    case Ground::kPark:
      return {"A6242", Kind::kPark};
    case Ground::kShrine:
      return {"A6244", Kind::kShrine};
    case Ground::kCemetery:
      return {"A6215", Kind::kCemetery};
    case Ground::kOther:
    case Ground::kNone:
      break;
  }
  return {"A6200", Kind::kOtherGround};
}

// A park with a pond in it, as two halves west and east of the pond whose dividing arcs run from
// the park's edge to the shore. The water is left out of the park, so the park's fill (drawn after
// the water) does not cover it; the dividing arcs have line type 5, so no outline shows them.
// `corners` is the park's quad (south-west first, counter-clockwise), `shore` the closed pond
// ring of PondOutline (24 steps counter-clockwise from its eastmost point). Returns the ID of the
// western half, which carries the name.
int AddParkAroundPond(const std::vector<Point>& corners, const std::vector<Point>& shore,
                      ArcFile& arcs, PolygonFile& polygons) {
  constexpr int kEast = 0, kNorth = 6, kWest = 12, kSouth = 18, kSteps = 24;
  Point bottom = Lerp(corners[0], corners[1], 0.5);
  Point top = Lerp(corners[3], corners[2], 0.5);
  std::vector<Point> west_shore;  // south to north, by the west
  for (int k = kSouth; k >= kNorth; --k) west_shore.push_back(shore[k]);
  std::vector<Point> east_shore;  // north to south, by the east
  for (int k = kNorth; k >= kEast; --k) east_shore.push_back(shore[k]);
  for (int k = kSteps - 1; k >= kSouth; --k) east_shore.push_back(shore[k]);

  int west_edge = arcs.Add("L6200", 1, {top, corners[3], corners[0], bottom});
  int east_edge = arcs.Add("L6200", 1, {bottom, corners[1], corners[2], top});
  int south_cut = arcs.Add("L6200", 5, {bottom, shore[kSouth]});
  int north_cut = arcs.Add("L6200", 5, {shore[kNorth], top});
  int west_bank = arcs.Add("L6200", 1, west_shore);
  int east_bank = arcs.Add("L6200", 1, east_shore);

  Point west_label = Lerp(Lerp(corners[0], corners[3], 0.5), shore[kWest], 0.5);
  Point east_label = Lerp(Lerp(corners[1], corners[2], 0.5), shore[kEast], 0.5);
  int id = polygons.Add("A6242", {west_edge, south_cut, west_bank, north_cut}, west_label);
  polygons.Add("A6242", {east_edge, -north_cut, east_bank, -south_cut}, east_label);
  return id;
}

// What the theme writes: the railway's and the premises' arcs share one file.
struct OthersFiles {
  ArcFile arcs;
  PolygonFile polygons;
  AttributeFile premises;
  AttributeFile railway_attributes;
  PointFile stations;
  AttributeFile station_names;
};

// The railway line, one named arc per stretch between crossings, and the railway land beside it,
// one polygon per stretch.
void AddRailway(const TownPlan& plan, Random& random, OthersFiles& out) {
  const int t = plan.railway_column();
  const double half = plan.column(t).half_width;
  const std::string line_name = PlaceName(random);
  const std::string line_kind = KindWord(Kind::kRailwayLine, random);
  for (int j = 0; j < plan.blocks(); ++j) {
    int arc = out.arcs.Add("L2300", 1, {plan.Node(t, j), plan.Node(t, j + 1)});
    out.railway_attributes.Add({"L2300", std::to_string(arc), "1", line_name, line_kind});
  }
  for (int j = 0; j < plan.blocks(); ++j) {
    double south = plan.row(j).half_width;
    double north = -plan.row(j + 1).half_width;
    std::vector<Point> land = {plan.Cross(t, -half, j, south), plan.Cross(t, half, j, south),
                               plan.Cross(t, half, j + 1, north),
                               plan.Cross(t, -half, j + 1, north)};
    Point label = Average(land);
    land.push_back(land.front());
    out.polygons.Add("A6241", {out.arcs.Add("L6241", 1, land)}, label);
  }
}

// A station every third stretch, named after the district beside it.
void AddStations(const ThemeInput& input, Random& random, OthersFiles& out) {
  const TownPlan& plan = input.plan;
  const int t = plan.railway_column();
  for (int j = 1; j < plan.blocks(); j += 3) {
    Point at = Lerp(plan.Node(t, j), plan.Node(t, j + 1), 0.5);
    int id = out.stations.Add("P2420", at);
    int district = plan.DistrictOf(t, j);
    out.station_names.Add({"P2420", std::to_string(id), "2420", input.names.Town(district),
                           KindWord(Kind::kStation, random)});
  }
}

// A ground that fills the block of cell (i, j), a little inside its edges; a park with a pond in
// two halves around it.
void AddGround(const TownPlan& plan, int i, int j, const std::string& town, Random& random,
               OthersFiles& out) {
  const Cell& cell = plan.cell(i, j);
  GroundStyle style = StyleOf(cell.ground);
  std::vector<Point> outline = Shrink(SubBlockCorners(plan.Block(i, j), cell, 0, 0), 0.9);
  int id;
  if (cell.pond) {
    id = AddParkAroundPond(outline, plan.PondOutline(i, j), out.arcs, out.polygons);
  } else {
    Point label = Average(outline);
    outline.push_back(outline.front());
    id = out.polygons.Add(style.code, {out.arcs.Add("L6200", 1, outline)}, label);
  }
  out.premises.Add({style.code, std::to_string(id), "0", town, KindWord(style.kind, random)});
}

// The small shrines standing in sub-blocks of the block of cell (i, j).
void AddSmallShrines(const TownPlan& plan, int i, int j, const std::string& town, Random& random,
                     OthersFiles& out) {
  const Cell& cell = plan.cell(i, j);
  const BlockShape block = plan.Block(i, j);
  for (int l = 0; l + 1 < static_cast<int>(cell.t_cuts.size()); ++l) {
    for (int k = 0; k + 1 < static_cast<int>(cell.s_cuts.size()); ++k) {
      if (plan.Use(i, j, k, l) != SubBlockUse::kShrine) continue;
      std::vector<Point> outline = Shrink(SubBlockCorners(block, cell, k, l), 0.7);
      Point label = Average(outline);
      outline.push_back(outline.front());
      int id = out.polygons.Add("A6244", {out.arcs.Add("L6200", 1, outline)}, label);
      out.premises.Add({"A6244", std::to_string(id), "0", town, KindWord(Kind::kShrine, random)});
    }
  }
}

}  // namespace

void BuildOthers(const ThemeInput& input, std::vector<MeshFile>& files) {
  const TownPlan& plan = input.plan;
  Random random(input.options.seed, 4);
  OthersFiles out;
  AddRailway(plan, random, out);
  AddStations(input, random, out);
  for (int j = 0; j < plan.blocks(); ++j) {
    for (int i = 0; i < plan.land_columns(); ++i) {
      if (plan.cell(i, j).span == 0) continue;  // part of the block to the west
      const std::string& town = input.names.Town(plan.DistrictOf(i, j));
      if (plan.cell(i, j).ground != Ground::kNone) {
        AddGround(plan, i, j, town, random, out);
      } else {
        AddSmallShrines(plan, i, j, town, random, out);
      }
    }
  }
  files.push_back(out.railway_attributes.Finish(&MeshFiles::TetudouAtr, input.Header("TETUDOU")));
  files.push_back(out.arcs.Finish(&MeshFiles::OthersArc, input.Header("OTHERS")));
  files.push_back(out.polygons.Finish(&MeshFiles::ZyoutiPgn, input.Header("ZYOUTI")));
  files.push_back(out.premises.Finish(&MeshFiles::ZyoutiAtr, input.Header("ZYOUTI")));
  files.push_back(out.stations.Finish(&MeshFiles::EkiPnt, input.Header("EKI")));
  files.push_back(out.station_names.Finish(&MeshFiles::EkiAtr, input.Header("EKI")));
}

}  // namespace sheetwright::meshgen
