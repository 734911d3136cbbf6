#include "output/raster/mosaic_image.h"

#include <algorithm>
#include <cmath>

#include "base/messages.h"
#include "output/raster/cairo_renderer.h"
#include "output/raster/png_writer.h"

namespace sheetwright::output {

MosaicImage::MosaicImage(const GroundBox& map, picture::FontLibrary& fonts)
    : map_(map), fonts_(fonts) {
  double longest = std::max(map.Width(), map.Height());
  if (longest * pixels_per_metre_ > kMosaicMaxPixels)
    pixels_per_metre_ = kMosaicMaxPixels / longest;
  width_ = std::max(1, static_cast<int>(std::lround(map.Width() * pixels_per_metre_)));
  height_ = std::max(1, static_cast<int>(std::lround(map.Height() * pixels_per_metre_)));
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width_, height_);
  cr_ = cairo_create(surface_);
  if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) {
    std::string reason = cairo_status_to_string(cairo_status(cr_));
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
    throw base::ConversionError("cannot make an image of " + std::to_string(width_) + " x " +
                                std::to_string(height_) + " pixels: " + reason);
  }
  cairo_set_source_rgb(cr_, 1, 1, 1);
  cairo_paint(cr_);
}

MosaicImage::~MosaicImage() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

void MosaicImage::AddSheet(const picture::Picture& sheet, const GroundBox& ground) {
  double k = pixels_per_metre_;
  cairo_save(cr_);
  cairo_translate(cr_, (ground.west - map_.west) * k, (map_.north - ground.north) * k);
  cairo_rectangle(cr_, 0, 0, ground.Width() * k, ground.Height() * k);
  cairo_clip(cr_);
  RenderPicture(sheet, cr_, ground.Width() * k, ground.Height() * k, fonts_);
  cairo_restore(cr_);
}

std::string MosaicImage::Encode() {
  cairo_surface_flush(surface_);
  return EncodePng(surface_);
}

}  // namespace sheetwright::output
