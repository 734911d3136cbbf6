// Plays a picture into a Cairo surface with the drawing conventions of GDI:
// even-odd fill, round caps and joins for solid pens, no pen thinner than one device pixel, text
// anchored at its top-left with a transparent background, system colours resolved.
#pragma once

#include <cairo.h>

#include <functional>
#include <string>

#include "output/playback.h"
#include "picture/picture.h"

namespace sheetwright::picture {
class FontLibrary;
}

namespace sheetwright::output {

// Draws `picture` so that its frame fills target_width x target_height device units of `cr`,
// starting at cr's current origin. Label bytes are decoded from CP932.
void RenderPicture(const picture::Picture& picture, cairo_t* cr, double target_width,
                   double target_height, picture::FontLibrary& fonts);
// The same with a view (playback.h): only what can show in it is drawn. False when the view's
// abort stopped the playback.
bool RenderPicture(const picture::Picture& picture, cairo_t* cr, double target_width,
                   double target_height, picture::FontLibrary& fonts, const PlayView& view);

// SVG and PDF have writers of their own (svg_writer.h, pdf_writer.h), which keep labels as text
// and layers apart.

// How an image file is drawn.
struct ImageOptions {
  // Bands of rows drawn at once, each on a thread of its own (row_bands.h; a small image fewer).
  // Where a line leaves a band its edge is cut a little differently, which can move the pixels
  // along it by one level: the same count everywhere keeps the bytes of a PNG the same whatever
  // the jobs and the machine.
  int bands = 2;
  // Asked every few hundred records and now and then during a long figure: once it says yes,
  // the drawing ends with base::ConversionCancelled. Called from every band's thread.
  std::function<bool()> stop;
};

// The whole PNG file of the given size in pixels, drawn on a white background. Throws
// ConversionError when Cairo fails.
std::string EncodeImage(const picture::Picture& picture, int width, int height,
                        picture::FontLibrary& fonts, const ImageOptions& options = {});

// Renders to a PNG file of the given size in pixels, on a white background, atomically replacing
// an older file. Throws ConversionError on failure.
void StoreImage(const picture::Picture& picture, int width, int height, const std::string& path,
                picture::FontLibrary& fonts);

}  // namespace sheetwright::output
