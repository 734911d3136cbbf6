#include "output/raster/view_playback.h"

#include "output/raster/cairo_renderer.h"

namespace sheetwright::output {

bool RenderPictureView(const picture::Picture& picture, cairo_t* cr, double target_width,
                       double target_height, std::optional<ViewBox> visible, double units_per_pixel,
                       picture::FontLibrary& fonts, const std::function<bool()>& abort) {
  PlayView view{visible, units_per_pixel, abort};
  RenderPicture(picture, cr, target_width, target_height, fonts, view);
  return !abort();
}

}  // namespace sheetwright::output
