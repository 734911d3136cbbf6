// A map printed at a true scale as SVG (--scale with -f svg, --mosaic FILE.svg): one document per
// page of a print layout (print_layout.h), its units millimetres on the paper, with the map in a
// window and the same frame, title, scale bar, north arrow, datum, zone and index as the printed
// PDF. The sheets are given one by one and each is written at once into every page it meets, so
// only one sheet's picture is held at a time.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "output/geometry/print_layout.h"
#include "picture/picture.h"

namespace sheetwright::picture {
class FontLibrary;
}

namespace sheetwright::output {

class PrintedSvg {
 public:
  // `write` is passed each page's document in chunks with the page's index in layout.pages.
  // Whatever it throws propagates.
  PrintedSvg(const PrintLayout& layout, PrintInfo info, picture::FontLibrary& fonts,
             std::function<void(size_t page, std::string_view bytes)> write);
  ~PrintedSvg();
  PrintedSvg(const PrintedSvg&) = delete;
  PrintedSvg& operator=(const PrintedSvg&) = delete;

  // The sheet's frame covers `ground`.
  void AddSheet(const picture::Picture& sheet, const GroundBox& ground);
  void Finish();

 private:
  struct Page;
  PrintLayout layout_;
  PrintInfo info_;
  std::vector<std::unique_ptr<Page>> pages_;
};

}  // namespace sheetwright::output
