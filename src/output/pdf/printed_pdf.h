// A map printed at a true scale as a PDF document (--scale, --mosaic FILE.pdf): the pages of a
// print layout (print_layout.h), with every sheet written once as a form that the pages draw.
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

// A map printed at a true scale on the pages of `layout`: the sheets are given one by one, each
// written at once as a form the pages draw (only one sheet's content is held at a time), and
// Finish writes the pages with their frame, title, scale bar, north arrow, datum, zone and index
// of the sheets, each naming its place among the pages. Pens and labels keep the size the
// 800-point page gives them (the styles are for paper). Throws as WritePdf.
class PrintedPdf {
 public:
  PrintedPdf(const PrintLayout& layout, PrintInfo info, picture::FontLibrary& fonts,
             std::function<void(std::string_view)> write);
  ~PrintedPdf();
  PrintedPdf(const PrintedPdf&) = delete;
  PrintedPdf& operator=(const PrintedPdf&) = delete;

  // The sheet's frame covers `ground`; what it draws up to `bleed` drawing units beyond the frame
  // shows too (fills carried over a shared edge, conversion::SheetJoins).
  void AddSheet(const picture::Picture& sheet, const GroundBox& ground, int32_t bleed = 0);
  void Finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace sheetwright::output
