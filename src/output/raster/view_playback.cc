#include "output/raster/view_playback.h"

#include <thread>

#include "base/messages.h"
#include "output/raster/cairo_renderer.h"
#include "output/raster/row_bands.h"

namespace sheetwright::output {

// On a 32-bit image the view is drawn in bands of rows on every core (row_bands.h).
bool RenderPictureView(const picture::Picture& picture, cairo_t* cr, double target_width,
                       double target_height, std::optional<ViewBox> visible, double units_per_pixel,
                       picture::FontLibrary& fonts, const std::function<bool()>& abort) {
  PlayView view{visible, units_per_pixel, abort};
  cairo_surface_t* target = cairo_get_target(cr);
  bool image = cairo_get_group_target(cr) == target &&
               cairo_surface_get_type(target) == CAIRO_SURFACE_TYPE_IMAGE &&
               (cairo_image_surface_get_format(target) == CAIRO_FORMAT_ARGB32 ||
                cairo_image_surface_get_format(target) == CAIRO_FORMAT_RGB24);
  int bands = static_cast<int>(std::thread::hardware_concurrency());
  if (!image || bands < 2) {
    RenderPicture(picture, cr, target_width, target_height, fonts, view);
    return !abort();
  }
  cairo_matrix_t matrix;
  cairo_get_matrix(cr, &matrix);
  try {
    DrawInBands(target, matrix, bands, [&](cairo_t* band) {
      return RenderPicture(picture, band, target_width, target_height, fonts, view);
    });
  } catch (const base::ConversionError&) {
    return false;  // Cairo could not make a band's surface: nothing complete to show
  }
  return !abort();
}

}  // namespace sheetwright::output
