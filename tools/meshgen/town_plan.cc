#include "meshgen/town_plan.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sheetwright::meshgen {
namespace {

constexpr double kRiverStep = 100;  // spacing of the river's points: 10 map units

// Shuffled 0 .. n-1 with the generator's own random numbers.
std::vector<int> Shuffled(int n, Random& random) {
  std::vector<int> order(n);
  for (int k = 0; k < n; ++k) order[k] = k;
  for (int k = n - 1; k > 0; --k) std::swap(order[k], order[random.Below(k + 1)]);
  return order;
}

// Boundaries after `first` up to `last`, in steps of two or three where the room allows.
void AppendSteps(int first, int last, Random& random, std::vector<int>& out) {
  int at = first;
  while (at < last) {
    int remaining = last - at;
    int step = remaining <= 3 ? remaining : 2 + random.Below(2);
    if (remaining - step == 1) step = 2;
    at += step;
    out.push_back(at);
  }
}

std::vector<double> Cuts(int parts, Random& random) {
  std::vector<double> cuts = {0.0};
  for (int k = 1; k < parts; ++k) {
    cuts.push_back((k + random.Range(-0.12, 0.12)) / parts);
  }
  cuts.push_back(1.0);
  return cuts;
}

}  // namespace

Point BlockShape::At(double s, double t) const {
  return Lerp(Lerp(corners[0], corners[1], s), Lerp(corners[3], corners[2], s), t);
}

std::vector<Point> SubBlockCorners(const BlockShape& block, const Cell& cell, int k, int l) {
  const std::vector<double>& s = cell.s_cuts;
  const std::vector<double>& t = cell.t_cuts;
  return {block.At(s[k], t[l]), block.At(s[k + 1], t[l]), block.At(s[k + 1], t[l + 1]),
          block.At(s[k], t[l + 1])};
}

TownPlan::TownPlan(const Options& options)
    : seed_(options.seed),
      blocks_(options.blocks),
      coastal_(options.coastal),
      land_columns_(options.coastal ? options.blocks - std::max(1, options.blocks / 4)
                                    : options.blocks) {
  Random random(options.seed, 1);
  LayLines(random);
  PlanDistricts(random);
  PlanCells(random);
}

void TownPlan::LayLines(Random& random) {
  const double spacing = std::min(kSheetWidth / blocks_, kSheetHeight / blocks_);
  const double street = std::min(45.0, 0.07 * spacing);
  LayStreetGrid(street, random);
  LayRiver(random);
  if (coastal_) LayShoreRoad();
  LayRailway(street, random);
  ChooseMainStreets(street, random);
  ChooseBridges(random);
}

// Interior lines are jittered and slanted a little, never so much that neighbours meet.
void TownPlan::LayStreetGrid(double street, Random& random) {
  const double spacing_x = kSheetWidth / blocks_;
  const double spacing_y = kSheetHeight / blocks_;
  columns_.resize(blocks_ + 1);
  rows_.resize(blocks_ + 1);
  for (int k = 1; k < blocks_; ++k) {
    double slope = random.Range(-1, 1) * 0.08 * spacing_x / kSheetHeight;
    double middle = (k + random.Range(-0.12, 0.12)) * spacing_x;
    columns_[k] = {middle - slope * kSheetHeight / 2, slope, street, LineKind::kStreet};
  }
  for (int k = 1; k < blocks_; ++k) {
    double slope = random.Range(-1, 1) * 0.08 * spacing_y / kSheetWidth;
    double middle = (k + random.Range(-0.12, 0.12)) * spacing_y;
    rows_[k] = {middle - slope * kSheetWidth / 2, slope, street, LineKind::kStreet};
  }
  columns_[blocks_].offset = kSheetWidth;
  rows_[blocks_].offset = kSheetHeight;
}

// The river crosses the middle rows from west to east (into the sea on a coastal sheet).
void TownPlan::LayRiver(Random& random) {
  const double spacing_y = kSheetHeight / blocks_;
  river_row_ = std::clamp(blocks_ / 2 + random.Below(3) - 1, 1, blocks_ - 1);
  river_half_width_ = std::min(200.0, 0.12 * spacing_y);
  meander_amplitude_ = std::min(80.0, 0.05 * spacing_y);
  meander_wavelength_ = random.Range(3000, 6000);
  meander_phase_ = random.Range(0, 2 * std::numbers::pi);
  GridLine& river = rows_[river_row_];
  river.kind = LineKind::kRiver;
  river.half_width = river_half_width_ + meander_amplitude_ + std::min(60.0, 0.03 * spacing_y);
}

// A coastal sheet has a straight shore road; the sea begins a quay's width beyond it.
void TownPlan::LayShoreRoad() {
  const double spacing_x = kSheetWidth / blocks_;
  GridLine& shore = columns_[land_columns_];
  shore.offset = land_columns_ * spacing_x;
  shore.slope = 0;
  coast_x_ = shore.offset + shore.half_width + std::min(300.0, 0.3 * spacing_x);
  for (int k = land_columns_ + 1; k < blocks_; ++k) columns_[k] = GridLine{};
}

// The railway runs north-south through the western part of the land.
void TownPlan::LayRailway(double street, Random& random) {
  const double spacing_x = kSheetWidth / blocks_;
  int land = land_columns_;
  railway_column_ =
      std::clamp(static_cast<int>(std::lround(land * 0.35)) + random.Below(3) - 1, 1, land - 1);
  GridLine& railway = columns_[railway_column_];
  railway.kind = LineKind::kRailway;
  railway.half_width = std::max(street * 1.5, std::min(150.0, 0.1 * spacing_x));
}

// One main street each way, wider than the others.
void TownPlan::ChooseMainStreets(double street, Random& random) {
  std::vector<int> candidates;
  for (int k = 1; k < land_columns_; ++k) {
    if (k != railway_column_) candidates.push_back(k);
  }
  if (!candidates.empty()) {
    GridLine& main = columns_[candidates[random.Below(static_cast<int>(candidates.size()))]];
    main.kind = LineKind::kMainStreet;
    main.half_width = street * 1.6;
  }
  candidates.clear();
  for (int k = 1; k < blocks_; ++k) {
    if (k != river_row_) candidates.push_back(k);
  }
  GridLine& main_row = rows_[candidates[random.Below(static_cast<int>(candidates.size()))]];
  main_row.kind = LineKind::kMainStreet;
  main_row.half_width = street * 1.6;
}

// About half the streets cross the river; the main street and the railway always do.
void TownPlan::ChooseBridges(Random& random) {
  const int land = land_columns_;
  bridges_.assign(blocks_ + 1, false);
  for (int k = 1; k <= land; ++k) {
    const GridLine& line = columns_[k];
    bool shore = coastal_ && k == land;
    bridges_[k] = line.kind == LineKind::kMainStreet || line.kind == LineKind::kRailway || shore ||
                  (line.kind == LineKind::kStreet && random.Chance(0.5));
  }
}

void TownPlan::PlanCells(Random& random) {
  const double spacing_x = kSheetWidth / blocks_;
  const double spacing_y = kSheetHeight / blocks_;
  cells_.resize(static_cast<size_t>(blocks_) * blocks_);

  // Here and there a street stops at a crossing and the blocks on both sides of its missing stretch
  // are one. Only plain streets inside a district, away from the river, are left out.
  for (int j = 0; j < blocks_; ++j) {
    if (j == river_row_ - 1 || j == river_row_) continue;
    for (int i = 0; i + 2 <= land_columns_; ++i) {
      bool district_boundary =
          std::binary_search(district_columns_.begin(), district_columns_.end(), i + 1);
      Cell& west = cells_[j * blocks_ + i];
      Cell& east = cells_[j * blocks_ + i + 1];
      if (columns_[i + 1].kind != LineKind::kStreet || district_boundary || west.span != 1 ||
          east.span != 1) {
        continue;
      }
      if (random.Chance(0.1)) {
        west.span = 2;
        east.span = 0;
      }
    }
  }

  for (Cell& cell : cells_) {
    // Sub-blocks of roughly 100 map units; small grids leave blocks whole.
    double width = spacing_x * std::max(1, cell.span);
    int across =
        std::clamp(static_cast<int>(std::lround(width / 1000 * random.Range(0.7, 1.4))), 1, 4);
    int up =
        std::clamp(static_cast<int>(std::lround(spacing_y / 1000 * random.Range(0.7, 1.4))), 1, 3);
    // Most blocks of a dense grid are still halved, by a back-lot line along the longer side.
    if (across == 1 && up == 1 && random.Chance(0.6)) {
      (width >= spacing_y ? across : up) = 2;
    }
    cell.s_cuts = Cuts(across, random);
    cell.t_cuts = Cuts(up, random);
  }

  // Grounds take whole blocks: every class at least once, then a mix.
  int land_cells = land_columns_ * blocks_;
  int grounds = std::min(land_cells / 2, std::max(5, land_cells / 10));
  std::vector<int> order = Shuffled(land_cells, random);
  constexpr std::array kFirst = {Ground::kSchool, Ground::kPark, Ground::kShrine, Ground::kCemetery,
                                 Ground::kOther};
  constexpr std::array kMix = {Ground::kSchool, Ground::kSchool, Ground::kPark,     Ground::kPark,
                               Ground::kPark,   Ground::kShrine, Ground::kCemetery, Ground::kOther};
  bool pond_placed = false;
  for (int k = 0, next = 0; k < grounds && next < land_cells; ++next) {
    int index = order[next];
    Cell& cell = cells_[(index / land_columns_) * blocks_ + index % land_columns_];
    if (cell.span == 0) continue;
    cell.ground = k < static_cast<int>(kFirst.size()) ? kFirst[k] : kMix[random.Below(kMix.size())];
    cell.s_cuts = {0.0, 1.0};
    cell.t_cuts = {0.0, 1.0};
    if (cell.ground == Ground::kPark) {
      cell.pond = !pond_placed || random.Chance(0.4);
      pond_placed = true;
    }
    ++k;
  }
}

void TownPlan::PlanDistricts(Random& random) {
  district_columns_ = {0};
  AppendSteps(0, land_columns_, random, district_columns_);
  district_rows_ = {0};
  AppendSteps(0, river_row_, random, district_rows_);
  AppendSteps(river_row_, blocks_, random, district_rows_);
}

int TownPlan::DistrictOf(int i, int j) const {
  auto column = std::upper_bound(district_columns_.begin(), district_columns_.end(), i) -
                district_columns_.begin() - 1;
  auto row = std::upper_bound(district_rows_.begin(), district_rows_.end(), j) -
             district_rows_.begin() - 1;
  return static_cast<int>(row * (district_columns_.size() - 1) + column);
}

Point TownPlan::Cross(int i, double di, int j, double dj) const {
  const GridLine& v = columns_[i];
  const GridLine& h = rows_[j];
  double a = v.offset + di;
  double b = h.offset + dj;
  double x = (a + v.slope * b) / (1 - v.slope * h.slope);
  return {x, b + h.slope * x};
}

bool TownPlan::StreetSegment(int i, int j) const {
  return IsStreet(columns_[i].kind) && !(i > 0 && i < blocks_ && cell(i, j).span == 0);
}

BlockShape TownPlan::Block(int i, int j) const {
  if (cell(i, j).span == 0) --i;
  const int e = i + cell(i, j).span;  // the vertical line east of the block
  BlockShape block;
  double west = columns_[i].half_width;
  double east = -columns_[e].half_width;
  double south = rows_[j].half_width;
  double north = -rows_[j + 1].half_width;
  block.corners = {Cross(i, west, j, south), Cross(e, east, j, south), Cross(e, east, j + 1, north),
                   Cross(i, west, j + 1, north)};
  block.sides = {rows_[j].kind, columns_[e].kind, rows_[j + 1].kind, columns_[i].kind};
  for (int k = 0; k < 4; ++k) {
    block.chamfered[k] = IsStreet(block.sides[k]) && IsStreet(block.sides[(k + 3) % 4]);
  }
  block.cut = std::min(30.0, 0.06 * std::min(kSheetWidth, kSheetHeight) / blocks_);
  return block;
}

double TownPlan::RiverCentreY(double x) const {
  const GridLine& line = rows_[river_row_];
  return line.offset + line.slope * x +
         meander_amplitude_ *
             std::sin(2 * std::numbers::pi * x / meander_wavelength_ + meander_phase_);
}

std::vector<Point> TownPlan::RiverLine(double x0, double x1, double side) const {
  std::vector<Point> points = {{x0, RiverCentreY(x0) + side}};
  for (double x = (std::floor(x0 / kRiverStep) + 1) * kRiverStep; x < x1 - kRiverStep / 4;
       x += kRiverStep) {
    if (x - x0 > kRiverStep / 4) points.push_back({x, RiverCentreY(x) + side});
  }
  points.push_back({x1, RiverCentreY(x1) + side});
  return points;
}

Point TownPlan::RiverNode(int i) const {
  double x = Node(i, river_row_).x;
  return {x, RiverCentreY(x)};
}

SubBlockUse TownPlan::Use(int i, int j, int k, int l) const {
  const Cell& c = cell(i, j);
  if (c.ground != Ground::kNone) return SubBlockUse::kNone;
  uint64_t index = ((static_cast<uint64_t>(j) * blocks_ + i) * 4 + k) * 4 + l;
  Random random(seed_, 1000 + index);
  double roll = random.Unit();
  if (roll < 0.10) return SubBlockUse::kPublicBuilding;
  if (roll < 0.12) return SubBlockUse::kShrine;
  return SubBlockUse::kNone;
}

std::vector<Point> TownPlan::PondOutline(int i, int j) const {
  constexpr int kSteps = 24;
  Random random(seed_, 3000 + static_cast<uint64_t>(j) * blocks_ + i);
  const BlockShape block = Block(i, j);
  Point centre = block.At(0.5, 0.6);
  double rx = (block.At(1, 0.6).x - block.At(0, 0.6).x) * random.Range(0.18, 0.25);
  double ry = (block.At(0.5, 1).y - block.At(0.5, 0).y) * random.Range(0.12, 0.17);
  std::vector<Point> points;
  for (int k = 0; k <= kSteps; ++k) {
    double angle = 2 * std::numbers::pi * (k % kSteps) / kSteps;
    // A little irregular, as ponds are.
    double wobble = k % kSteps == 0 ? 1.0 : random.Range(0.92, 1.06);
    points.push_back(
        {centre.x + rx * wobble * std::cos(angle), centre.y + ry * wobble * std::sin(angle)});
  }
  return points;
}

Point TownPlan::RiverMouth() const { return {coast_x_, RiverCentreY(coast_x_)}; }

}  // namespace sheetwright::meshgen
