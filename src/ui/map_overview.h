// What the preview shows of a map of many meshes: every sheet's picture where the sheet lies, the
// whole reduced into one sheet's frame and centred, so the paint box that shows one sheet shows
// the town. Drawn from the pictures the conversion made, not from the stored file; a reduction
// leaves out the points that fall on the one before.
#pragma once

#include <memory>
#include <vector>

#include "output/geometry/print_layout.h"
#include "picture/picture.h"

namespace sheetwright::ui {

struct PlacedPicture {
  std::shared_ptr<const picture::Picture> sheet;  // null: drawn as an empty sheet
  output::GroundBox ground;                       // where the sheet's frame lies, metres
  double reduced = 1;                             // `sheet` is Reduced by this factor
};

picture::Picture MapOverview(const std::vector<PlacedPicture>& sheets);

// `sheet` scaled by `factor` (0 < factor <= 1) from its frame's top-left corner, pen widths and
// label heights with it, the points that fall together left out: what an overview of `sheets`
// sheets keeps of each while they are made, so that a town needs no more than a few sheets'
// memory for its overview. No overview of `sheets` sheets shows them larger than
// PreReduction(sheets).
picture::Picture Reduced(const picture::Picture& sheet, double factor);
double PreReduction(int sheets);

}  // namespace sheetwright::ui
