// Writes a sheet picture as a one-page PDF document. Each map layer is an optional content group
// named by its row caption (readers list them in their layers panel), the corner marks one of
// their own, in drawing order; labels are text in embedded subset fonts that readers can search
// and copy (pdf_fonts.h); paths have whole coordinates in drawing units under one scale, lines of
// a run under one pen are chained (line_chains.h), fills are even-odd, the diagonal-cross hatch
// is a tiling pattern. The document is handed on in chunks as it is made, streams deflated at the
// fastest level; its bytes depend on the picture, the title and SOURCE_DATE_EPOCH alone.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "picture/picture.h"

namespace sheetwright::picture {
class FontLibrary;
}

namespace sheetwright::output {

// Writes `sheet` on a page of width_pt x height_pt points that its frame fills, titled `title`
// (UTF-8), passing the document to `write` in chunks. With SOURCE_DATE_EPOCH set to a count of
// seconds, that time is the creation date; without it there is none. Whatever `write` throws
// propagates. Throws ConversionError for a size that is not positive.
void WritePdf(const picture::Picture& sheet, int width_pt, int height_pt, std::string_view title,
              picture::FontLibrary& fonts, const std::function<void(std::string_view)>& write);

// The whole document of WritePdf as one string.
std::string EncodePdf(const picture::Picture& sheet, int width_pt, int height_pt,
                      std::string_view title, picture::FontLibrary& fonts);

}  // namespace sheetwright::output
