// Playing a picture for a view of it: only the figures and labels that can touch the visible part
// are drawn, in pieces of a few thousand figures, and between the pieces a caller's abort check can
// stop the playback. The pieces drawn in order give the pixels of one whole pass of RenderPicture.
// For screens that zoom into a sheet and must answer a newer request at once.
#pragma once

#include <cairo.h>

#include <functional>
#include <optional>

#include "picture/picture.h"

namespace sheetwright::picture {
class FontLibrary;
}

namespace sheetwright::output {

// A rectangle in the units of a picture's frame.
struct ViewBox {
  double x0, y0, x1, y1;
  ViewBox Grown(double by) const { return {x0 - by, y0 - by, x1 + by, y1 + by}; }
  bool Meets(const ViewBox& other) const {
    return x0 <= other.x1 && other.x0 <= x1 && y0 <= other.y1 && other.y0 <= y1;
  }
};

// As RenderPicture, but leaves out what cannot touch `visible` (none: the whole frame shows), and
// stops between pieces once `abort` returns true; false then. `units_per_pixel` (frame units per
// device pixel) sizes the margin that antialiasing and the one-pixel minimum pen need.
bool RenderPictureView(const picture::Picture& picture, cairo_t* cr, double target_width,
                       double target_height, std::optional<ViewBox> visible, double units_per_pixel,
                       picture::FontLibrary& fonts, const std::function<bool()>& abort);

}  // namespace sheetwright::output
