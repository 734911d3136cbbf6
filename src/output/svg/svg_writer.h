// Writes a sheet picture as SVG for drawing programs: each map layer is a group that Inkscape shows
// as a layer (id the settings key, label the row caption), labels are real text in UTF-8, fills
// are even-odd, the diagonal-cross hatch is a pattern. Lines drawn one after another with one pen
// are one path, and the white paper is a locked layer of its own, so that a drawing program stays
// quick on a whole sheet and a click on the map selects the map. The document is handed on in
// chunks as it is made, so that a large sheet is never held whole; its bytes depend on the picture
// alone.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "picture/picture.h"

namespace sheetwright::picture {
class FontLibrary;
}

namespace sheetwright::output {

// Writes `sheet` as an SVG document of width_pt x height_pt points whose view box is the sheet's
// frame in drawing units, on a white background, passing it to `write` in chunks of about 64 KB
// (the last one shorter). Pens keep at least the vector formats' floor (pen_floor.h). Whatever
// `write` throws propagates, after a part of the document was passed. Throws ConversionError for a
// size that is not positive.
void WriteSvg(const picture::Picture& sheet, int width_pt, int height_pt,
              picture::FontLibrary& fonts, const std::function<void(std::string_view)>& write);

// The whole document of WriteSvg as one string.
std::string EncodeSvg(const picture::Picture& sheet, int width_pt, int height_pt,
                      picture::FontLibrary& fonts);

}  // namespace sheetwright::output
