// PNG files of rendered images, written for speed: the drawings are large flat areas with thin
// lines, where zlib's fastest level with the "sub" row filter gives files a little larger than
// its default at a fraction of the time. Cairo's own writer spends more time compressing than the
// whole drawing takes to render. The rows are compressed in two parts at once, joined into one
// stream, so that a free core halves the wait.
#pragma once

#include <cairo.h>

#include <string>

namespace sheetwright::output {

// The PNG of an RGB24 or ARGB32 image surface as 8-bit RGB (the alpha channel, if any, is
// dropped: the images are drawn on an opaque background). Throws ConversionError on failure.
std::string EncodePng(cairo_surface_t* surface);

}  // namespace sheetwright::output
