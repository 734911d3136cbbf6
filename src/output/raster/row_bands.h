// An image drawn in bands of rows at once, each on a thread of its own: the cores that a batch's
// jobs or the preview leave idle. Every band plays the whole drawing and keeps what falls on its
// rows, on a surface of its own that reaches kOverlap rows past its seams (pixels next to a
// surface's edge can come out a little differently), so that the image is the same as drawn in
// one piece. Bands start on rows that are multiples of 8, which keeps GDI's 8 x 8 hatch, laid
// from each surface's first row, in step.
#pragma once

#include <cairo.h>

#include <functional>
#include <memory>

namespace sheetwright::output {

struct SurfaceDeleter {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct ContextDeleter {
  void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using Context = std::unique_ptr<cairo_t, ContextDeleter>;

// Bands of fewer rows than this are not worth a thread.
inline constexpr int kMinBandRows = 64;

// Draws on `target`, a 32-bit image surface, in up to `bands` bands. `draw` is called once per
// band (on a thread of its own but for the first) with a context whose transformation is
// `matrix` in the target's pixels and whose surface holds the target's rows around the band;
// the band's rows then go back to the target. With one band `draw` gets a context on the target
// itself. True when every `draw` returned true; the first exception of a band is rethrown once
// all have ended, and a surface Cairo cannot make throws base::ConversionError.
bool DrawInBands(cairo_surface_t* target, const cairo_matrix_t& matrix, int bands,
                 const std::function<bool(cairo_t*)>& draw);

}  // namespace sheetwright::output
