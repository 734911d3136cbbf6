// A mosaic as one PNG image (--mosaic FILE.png): the map at a fixed resolution, each sheet drawn
// into its place by the Cairo renderer as it comes, clipped to its frame, so that only the image
// and one sheet's picture are held.
#pragma once

#include <cairo.h>

#include <string>

#include "output/geometry/print_layout.h"
#include "picture/picture.h"

namespace sheetwright::picture {
class FontLibrary;
}

namespace sheetwright::output {

// A sheet's own PNG has 2000 pixels across its 2000 m: the mosaic keeps that, one pixel to the
// metre, unless the map is wider or taller than kMosaicMaxPixels, which Cairo's images cannot
// exceed; then the resolution is the largest that fits.
inline constexpr double kMosaicPixelsPerMetre = 1;
inline constexpr int kMosaicMaxPixels = 32000;

class MosaicImage {
 public:
  // A white image of `map`. Throws ConversionError when the image cannot be made.
  MosaicImage(const GroundBox& map, picture::FontLibrary& fonts);
  ~MosaicImage();
  MosaicImage(const MosaicImage&) = delete;
  MosaicImage& operator=(const MosaicImage&) = delete;

  double PixelsPerMetre() const { return pixels_per_metre_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The sheet's frame covers `ground`.
  void AddSheet(const picture::Picture& sheet, const GroundBox& ground);
  // The PNG file.
  std::string Encode();

 private:
  GroundBox map_;
  picture::FontLibrary& fonts_;
  double pixels_per_metre_ = kMosaicPixelsPerMetre;
  int width_ = 0, height_ = 0;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
};

}  // namespace sheetwright::output
