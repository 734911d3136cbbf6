// Where the sheets of a mosaic meet: each sheet, before it is drawn, loses what a sheet drawn
// before it shows already, so that every drawing format shows the join alike. A line wholly on an
// edge the two sheets share is drawn by the first of them only; a name label that both repeat near
// their shared edge (the same text, less than a reach apart) is drawn by the first only.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "output/geometry/print_layout.h"
#include "picture/picture.h"

namespace sheetwright::conversion {

// Near enough a sheet's edge for a label to be repeated beyond it, and near enough each other for
// two labels of one text on either side to name one area.
inline constexpr double kEdgeLabelMetres = 400;

class SheetJoins {
 public:
  // Leaves out of `sheet`, whose frame covers `ground`, the lines and labels the sheets given
  // before show already, and carries its fills `bleed` drawing units over the edges it shares with
  // them: a reader that smooths the edges of shapes leaves a faint seam between two fills that
  // only touch, and the sheet drawn later then covers it. Layers that change are replaced by
  // changed copies, one at a time.
  void Join(picture::Picture& sheet, const output::GroundBox& ground, int32_t bleed = 0);

 private:
  // The edges of `sheet` that a sheet given before shares: west, east, north, south.
  std::array<bool, 4> SharedEdges(const output::GroundBox& sheet) const;
  // Trims `picture`, whose units are `sx` and `sy` sheet units; true when it changed.
  bool Trim(picture::Picture& picture, double sx, double sy);
  bool RepeatedLabel(double x, double y, std::string_view bytes);

  struct EdgeLabel {
    double east, north;
    uint64_t text;  // the hash of its bytes
  };
  std::vector<output::GroundBox> grounds_;
  // Labels near the edges of the sheets joined before, in a grid of cells a reach wide keyed with
  // a hash of their bytes (LabelCell), so that a town of many sheets costs no more per label than
  // one sheet; the current sheet's wait beside them until it is joined (a sheet never repeats
  // its own labels).
  std::unordered_multimap<uint64_t, EdgeLabel> edge_labels_;
  std::vector<std::pair<uint64_t, EdgeLabel>> sheet_labels_;
  // The sheet being joined.
  output::GroundBox ground_;
  std::array<bool, 4> shared_{};
  int32_t bleed_ = 0;
};

}  // namespace sheetwright::conversion
