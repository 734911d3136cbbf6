// Playing a picture for a view of it: only the figures and labels that can touch the visible part
// are drawn, the lines at least every few thousand figures, and every few hundred figures a
// caller's abort check can stop the playback (PlayView, playback.h). For screens that zoom into a
// sheet and must answer a newer request at once.
#pragma once

#include <cairo.h>

#include <functional>
#include <optional>

#include "output/playback.h"
#include "picture/picture.h"

namespace sheetwright::picture {
class FontLibrary;
}

namespace sheetwright::output {

// As RenderPicture, but leaves out what cannot touch `visible` (none: the whole frame shows), and
// stops once `abort` returns true; false then. `units_per_pixel` (frame units per
// device pixel) sizes the margin that antialiasing and the one-pixel minimum pen need.
bool RenderPictureView(const picture::Picture& picture, cairo_t* cr, double target_width,
                       double target_height, std::optional<ViewBox> visible, double units_per_pixel,
                       picture::FontLibrary& fonts, const std::function<bool()>& abort);

}  // namespace sheetwright::output
