// A sheet cut into its map layers, for the printed maps that draw their sheets layer by layer
// (printed_pdf.h, printed_svg.h): where two sheets meet, the fills of a layer of both lie under
// the next layer of either, and the edges that smoothing leaves light at a seam are covered by the
// fill carried over it (conversion::SheetJoins) in the same colour.
#pragma once

#include <string>
#include <vector>

#include "picture/picture.h"

namespace sheetwright::output {

// One piece of a sheet: the sheet's records that set the state up to the layer and the layer
// alone, so that it starts as the sheet gave it; or what the sheet draws itself between layers.
struct SheetLayer {
  // The same for the same layer of every sheet: the layer's names, or for what the sheet draws
  // itself the key of the layer before it.
  std::string key;
  // The layer's settings key and row caption (the sheet's for what it draws itself).
  std::string id, label;
  picture::Picture picture;
};

// The pieces in the sheet's drawing order.
std::vector<SheetLayer> SheetLayers(const picture::Picture& sheet);

}  // namespace sheetwright::output
