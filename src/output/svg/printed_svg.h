// A map printed at a true scale as SVG (--scale with -f svg, --mosaic FILE.svg): one document per
// page of a print layout (print_layout.h), its units millimetres on the paper, with the map in a
// window and the same frame, title, scale bar, north arrow, datum, zone and index as the printed
// PDF. The sheets are given one by one and each is written at once into every page it meets, so
// only one sheet's picture is held at a time: cut into its map layers (sheet_layers.h), each a
// group clipped to the sheet's frame. The page draws the map layer by layer, as the printed PDF
// does: one Inkscape layer per map layer holding every sheet's piece of it, so that where sheets
// meet the fills of a layer lie under the next layer of either and no light line shows along the
// edge. A map of many sheets keeps their pieces in a scratch file until Finish puts them in order.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "output/geometry/print_layout.h"
#include "picture/picture.h"

namespace sheetwright::picture {
class FontLibrary;
}
namespace sheetwright::platform {
class ScratchFile;
}

namespace sheetwright::output {

class PrintedSvg {
 public:
  // `write` is passed each page's document in chunks with the page's index in layout.pages.
  // Whatever it throws propagates. With `scratch_beside` (the map's file) the map may hold many
  // sheets, whose pieces wait in a scratch file beside it; without, it holds one sheet.
  PrintedSvg(const PrintLayout& layout, PrintInfo info, picture::FontLibrary& fonts,
             std::function<void(size_t page, std::string_view bytes)> write,
             const std::string& scratch_beside = {});
  ~PrintedSvg();
  PrintedSvg(const PrintedSvg&) = delete;
  PrintedSvg& operator=(const PrintedSvg&) = delete;

  // The sheet's frame covers `ground`; what it draws up to `bleed` drawing units beyond the frame
  // shows too (fills carried over a shared edge, conversion::SheetJoins). Throws
  // base::ConversionError naming the map's file when the scratch file fails, std::logic_error
  // for a second sheet without one.
  void AddSheet(const picture::Picture& sheet, const GroundBox& ground, int32_t bleed = 0);
  void Finish();

 private:
  struct Page;
  // A map layer of the pages: its settings key and caption.
  struct Layer {
    std::string id, label;
  };
  PrintLayout layout_;
  PrintInfo info_;
  std::vector<std::unique_ptr<Page>> pages_;
  // The map layers in the order the sheets first give them, and their place by key.
  std::vector<Layer> layers_;
  std::map<std::string, size_t> layer_order_;
  size_t sheets_ = 0;
  std::string scratch_beside_;
  std::unique_ptr<platform::ScratchFile> scratch_;
  uint64_t scratch_size_ = 0;
};

}  // namespace sheetwright::output
