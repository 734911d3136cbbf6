// Rivers, ponds, the coast and the sea. The river is one area polygon between its banks, closed
// by line-type-5 arcs on the sheet edge (or at its mouth, where it meets the sea), with its centre
// line beside it. The coastline runs north-south; the sea polygon lies east of it, bounded by the
// coastline arcs and the sheet edge.
#include <string>

#include "meshgen/names.h"
#include "meshgen/themes.h"

namespace sheetwright::meshgen {
namespace {

constexpr int kEdgeLineType = 5;

// The x of every column where the river's arcs are split, west to east, ending at the sheet edge
// or at the coast.
std::vector<double> RiverBreaks(const TownPlan& plan) {
  std::vector<double> breaks;
  for (int i = 0; i <= plan.land_columns(); ++i) breaks.push_back(plan.RiverNode(i).x);
  if (plan.coastal()) breaks.push_back(plan.coast_x());
  return breaks;
}

}  // namespace

Point ShorePoint(const TownPlan& plan, int j) {
  double x = plan.coast_x();
  if (j == plan.river_row()) return plan.RiverMouth();
  if (j == 0) return {x, 0};
  if (j == plan.blocks()) return {x, kSheetHeight};
  const GridLine& row = plan.row(j);
  return {x, row.offset + row.slope * x};
}

std::vector<Point> CoastSegment(const TownPlan& plan, int j) {
  const int r = plan.river_row();
  const double x = plan.coast_x();
  const double half = plan.river_half_width();
  Point from = ShorePoint(plan, j);
  Point to = ShorePoint(plan, j + 1);
  if (j == r - 1) return {from, {x, plan.RiverMouth().y - half}, to};
  if (j == r) return {from, {x, plan.RiverMouth().y + half}, to};
  // A pier on some stretches, decided by the stretch alone.
  Random random(plan.seed(), 2000 + static_cast<uint64_t>(j));
  if (random.Chance(0.45)) {
    double length = random.Range(0.2, 0.5) * (kSheetWidth - x);
    double y1 = from.y + random.Range(0.2, 0.4) * (to.y - from.y);
    double y2 = from.y + random.Range(0.6, 0.8) * (to.y - from.y);
    return {from, {x, y1}, {x + length, y1}, {x + length, y2}, {x, y2}, to};
  }
  return {from, to};
}

void BuildKasen(const ThemeInput& input, std::vector<MeshFile>& files) {
  const TownPlan& plan = input.plan;
  Random random(input.options.seed, 5);
  ArcFile arcs;
  PolygonFile polygons;
  AttributeFile attributes;
  const double half = plan.river_half_width();
  const std::vector<double> breaks = RiverBreaks(plan);
  const int stretches = static_cast<int>(breaks.size()) - 1;

  std::vector<int> south(stretches);
  std::vector<int> north(stretches);
  for (int k = 0; k < stretches; ++k) {
    south[k] = arcs.Add("L5101", 1, plan.RiverLine(breaks[k], breaks[k + 1], -half));
    north[k] = arcs.Add("L5101", 1, plan.RiverLine(breaks[k], breaks[k + 1], half));
  }
  // Across the water at both ends: the sheet edge, or the mouth on a coastal sheet.
  auto across = [&](double x) {
    double y = plan.RiverCentreY(x);
    return arcs.Add("L5101", kEdgeLineType, {{x, y - half}, {x, y + half}});
  };
  int west = across(breaks.front());
  int east = across(breaks.back());
  for (int k = 0; k < stretches; ++k) {
    arcs.Add("L5122", 1, plan.RiverLine(breaks[k], breaks[k + 1], 0));
  }

  std::vector<int> ring = south;
  ring.push_back(east);
  for (int k = stretches - 1; k >= 0; --k) ring.push_back(-north[k]);
  ring.push_back(-west);
  double label_x = (breaks[stretches / 2] + breaks[stretches / 2 + 1]) / 2;
  int id = polygons.Add("A5101", ring, {label_x, plan.RiverCentreY(label_x)});
  attributes.Add(
      {"A5101", std::to_string(id), "5101", PlaceName(random), KindWord(Kind::kRiver, random)});

  files.push_back(arcs.Finish(&MeshFiles::KasenArc, input.Header("KASEN")));
  files.push_back(polygons.Finish(&MeshFiles::KasenPgn, input.Header("KASEN")));
  files.push_back(attributes.Finish(&MeshFiles::KasenAtr, input.Header("KASEN")));
}

void BuildMizu(const ThemeInput& input, std::vector<MeshFile>& files) {
  const TownPlan& plan = input.plan;
  Random random(input.options.seed, 6);
  ArcFile arcs;
  PolygonFile polygons;
  AttributeFile attributes;

  // Ponds in parks.
  for (int j = 0; j < plan.blocks(); ++j) {
    for (int i = 0; i < plan.land_columns(); ++i) {
      const Cell& cell = plan.cell(i, j);
      if (!cell.pond) continue;
      std::vector<Point> shore = plan.PondOutline(i, j);
      Point centre = Average({shore.begin(), shore.end() - 1});
      int arc = arcs.Add("L5105", 1, shore);
      int id = polygons.Add("A5201", {arc}, centre);
      attributes.Add(
          {"A5201", std::to_string(id), "5201", PlaceName(random), KindWord(Kind::kPond, random)});
    }
  }

  if (plan.coastal()) {
    const int r = plan.river_row();
    const double x = plan.coast_x();
    std::vector<int> ring;
    for (int j = 0; j < plan.blocks(); ++j) {
      std::vector<Point> coast = CoastSegment(plan, j);
      // The river's mouth is not coast: the segments beside it stop at the banks.
      if (j == r - 1) coast.pop_back();
      if (j == r) coast.erase(coast.begin());
      ring.push_back(arcs.Add("L5106", 1, coast));
      if (j == r - 1) {
        Point mouth = plan.RiverMouth();
        double half = plan.river_half_width();
        ring.push_back(
            arcs.Add("L5101", kEdgeLineType, {{x, mouth.y - half}, {x, mouth.y + half}}));
      }
    }
    ring.push_back(
        arcs.Add("L5107", kEdgeLineType, {{x, kSheetHeight}, {kSheetWidth, kSheetHeight}}));
    ring.push_back(
        arcs.Add("L5107", kEdgeLineType, {{kSheetWidth, kSheetHeight}, {kSheetWidth, 0}}));
    ring.push_back(arcs.Add("L5107", kEdgeLineType, {{kSheetWidth, 0}, {x, 0}}));
    Point label = {x + 0.75 * (kSheetWidth - x), kSheetHeight * 0.5};
    int id = polygons.Add("A5203", ring, label);
    attributes.Add(
        {"A5203", std::to_string(id), "5203", PlaceName(random), KindWord(Kind::kSea, random)});
  }

  files.push_back(arcs.Finish(&MeshFiles::MizuArc, input.Header("MIZU")));
  files.push_back(polygons.Finish(&MeshFiles::MizuPgn, input.Header("MIZU")));
  files.push_back(attributes.Finish(&MeshFiles::MizuAtr, input.Header("MIZU")));
}

}  // namespace sheetwright::meshgen
