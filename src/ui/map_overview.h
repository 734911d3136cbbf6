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
};

picture::Picture MapOverview(const std::vector<PlacedPicture>& sheets);

}  // namespace sheetwright::ui
