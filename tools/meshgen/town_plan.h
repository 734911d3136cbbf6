// The layout of the generated town, decided once per mesh and shared by every theme: the street
// grid (vertical and horizontal lines, each straight but slightly slanted, some of them a river, a
// railway or the sheet edge), what each grid cell holds, and the grouping of cells into districts.
// The themes draw their features from this plan, so features of different files line up: a road
// edge runs along its block's side, a district boundary along its streets' centre lines.
#pragma once

#include <array>
#include <vector>

#include "meshgen/geometry.h"
#include "meshgen/meshgen.h"
#include "meshgen/random.h"

namespace sheetwright::meshgen {

enum class LineKind { kEdge, kStreet, kMainStreet, kRiver, kRailway };

inline bool IsStreet(LineKind kind) {
  return kind == LineKind::kStreet || kind == LineKind::kMainStreet;
}

// A grid line. Vertical lines: x = offset + slope * y. Horizontal lines: y = offset + slope * x.
struct GridLine {
  double offset = 0;
  double slope = 0;
  double half_width = 0;  // half the width of the road, river or railway corridor on it
  LineKind kind = LineKind::kEdge;
};

// What stands inside one sub-block besides houses.
enum class SubBlockUse { kNone, kPublicBuilding, kShrine };

enum class Ground { kNone, kSchool, kPark, kShrine, kCemetery, kOther };

struct Cell {
  // Columns of cells the block spans: 2 where the street between this cell and the next one east
  // was left out (the block takes both), 0 for that next cell, 1 otherwise.
  int span = 1;
  std::vector<double> s_cuts;  // sub-block divisions across, 0 .. 1 inclusive
  std::vector<double> t_cuts;  // sub-block divisions up, 0 .. 1 inclusive
  Ground ground = Ground::kNone;
  bool pond = false;
};

// The block of one grid cell: its four corners (south-west, south-east, north-east, north-west)
// where the road edges meet, and per side (bottom, right, top, left) what lies beyond it.
struct BlockShape {
  std::array<Point, 4> corners;
  std::array<LineKind, 4> sides;
  std::array<bool, 4> chamfered;  // corner cut off where two streets meet
  double cut = 0;                 // length of the chamfer along each side
  // Bilinear position inside the block, s across (west to east), t up (south to north).
  Point At(double s, double t) const;
};

// The four corners of sub-block (k, l) of a block (chamfers left out), counter-clockwise from its
// south-west corner.
std::vector<Point> SubBlockCorners(const BlockShape& block, const Cell& cell, int k, int l);

class TownPlan {
 public:
  explicit TownPlan(const Options& options);

  uint64_t seed() const { return seed_; }
  int blocks() const { return blocks_; }
  bool coastal() const { return coastal_; }
  // Columns of cells that are land; beyond them (coastal sheets only) lies the sea.
  int land_columns() const { return land_columns_; }
  int river_row() const { return river_row_; }
  int railway_column() const { return railway_column_; }
  // The coastline's easting (coastal sheets only); the sea lies east of it.
  double coast_x() const { return coast_x_; }

  const GridLine& column(int i) const { return columns_[i]; }
  const GridLine& row(int j) const { return rows_[j]; }
  // Cells with span 0 belong to the block of their western neighbour: skip them.
  const Cell& cell(int i, int j) const { return cells_[j * blocks_ + i]; }
  bool bridge(int i) const { return bridges_[i]; }
  // The shore of the pond in cell (i, j) (a park with cell.pond), a closed ring counter-clockwise.
  // The water theme draws the pond; the park leaves it out as a hole.
  std::vector<Point> PondOutline(int i, int j) const;
  // Sub-block (k, l) of cell (i, j): decided by its position, so the themes agree on it.
  SubBlockUse Use(int i, int j, int k, int l) const;

  // Where vertical line i, moved east by di, crosses horizontal line j, moved north by dj.
  Point Cross(int i, double di, int j, double dj) const;
  Point Node(int i, int j) const { return Cross(i, 0, j, 0); }
  // The block of cell (i, j); for a cell of span 0, its western neighbour's block.
  BlockShape Block(int i, int j) const;
  // Whether the street on vertical line i runs from row j to row j + 1 (not left out).
  bool StreetSegment(int i, int j) const;

  // The river: its centre line meanders about the river row's line.
  double RiverCentreY(double x) const;
  double river_half_width() const { return river_half_width_; }
  // Points of the river line from x0 to x1 (x0 < x1), `side` away from the centre northwards.
  std::vector<Point> RiverLine(double x0, double x1, double side) const;
  // The point of the centre line at grid column i (0 .. land_columns()).
  Point RiverNode(int i) const;
  // Coastal sheets: where the centre line meets the coastline.
  Point RiverMouth() const;

  // District boundaries: grid line indices, ascending, first 0. Columns end at land_columns(), rows
  // at blocks(); the river row is always a boundary.
  const std::vector<int>& district_columns() const { return district_columns_; }
  const std::vector<int>& district_rows() const { return district_rows_; }
  int DistrictOf(int i, int j) const;
  int district_count() const {
    return static_cast<int>((district_columns_.size() - 1) * (district_rows_.size() - 1));
  }

 private:
  void LayLines(Random& random);
  void LayStreetGrid(double street, Random& random);
  void LayRiver(Random& random);
  void LayShoreRoad();
  void LayRailway(double street, Random& random);
  void ChooseMainStreets(double street, Random& random);
  void ChooseBridges(Random& random);
  void PlanCells(Random& random);
  void PlanDistricts(Random& random);

  uint64_t seed_;
  int blocks_;
  bool coastal_;
  int land_columns_;
  int river_row_ = 0;
  int railway_column_ = 0;
  double coast_x_ = kSheetWidth;
  double river_half_width_ = 0;
  double meander_amplitude_ = 0;
  double meander_wavelength_ = 1;
  double meander_phase_ = 0;
  std::vector<GridLine> columns_;
  std::vector<GridLine> rows_;
  std::vector<Cell> cells_;
  std::vector<bool> bridges_;
  std::vector<int> district_columns_;
  std::vector<int> district_rows_;
};

}  // namespace sheetwright::meshgen
