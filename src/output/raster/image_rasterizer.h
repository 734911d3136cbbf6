// The fast path of the Cairo renderer for pixel targets: strokes and solid fills go straight
// into a Cairo image surface through the Anti-Grain Geometry scanline rasterizer, which draws a
// map's hundreds of thousands of thin lines several times faster than Cairo's stroker. Vertices
// that would not move a figure by a visible fraction of a pixel are dropped on the way, and so,
// in a line hundreds of times longer than the image is wide, are segments that go back over one
// just drawn; such a line is drawn in pieces. Text and hatches stay with Cairo, which draws on
// the same pixels; the renderer hands the surface back and forth with Acquire / Release. Used
// only through RenderPicture (cairo_renderer.h).
#pragma once

#include <cairo.h>

#include <functional>
#include <memory>
#include <span>

#include "picture/colour.h"
#include "picture/picture.h"

namespace sheetwright::output {

class ImageRasterizer {
 public:
  // A rasterizer for what `cr` draws on now, or null when the fast path does not apply: the
  // target is not a 32-bit image surface, the current transformation turns or shears, or the
  // clip is not one rectangle. `stop`, when given, is asked now and then during long work; once
  // it said yes, the rasterizer draws nothing more (stopped()). It may throw instead.
  static std::unique_ptr<ImageRasterizer> For(cairo_t* cr, std::function<bool()> stop = {});
  ~ImageRasterizer();
  ImageRasterizer(const ImageRasterizer&) = delete;
  ImageRasterizer& operator=(const ImageRasterizer&) = delete;

  // Whether `cr`'s current transformation can be drawn here (a layer may add a scale).
  bool Handles(cairo_t* cr) const;

  // `points` are drawing units mapped through cr's current transformation; `width` is in device
  // pixels. Round caps and joins, as every solid GDI pen has them; lines
  // up to 1.5 pixels wide are drawn as anti-aliased lines with plain ends, which look the same.
  void Stroke(cairo_t* cr, std::span<const picture::Point> points, bool closed, double width,
              picture::Rgb color);
  // Whether the box from (x0, y0) to (x1, y1), in cr's current units, widened by `margin`
  // device pixels, touches the surface's clip: what cannot is left out before any work (a band
  // of rows sees a part of the sheet, a zoomed view less).
  bool Reaches(cairo_t* cr, double x0, double y0, double x1, double y1, double margin) const;
  // Fills with the even-odd rule.
  void Fill(cairo_t* cr, std::span<const picture::Point> points, picture::Rgb color);

  bool stopped() const;

  // Cairo is about to draw on the surface: what was rasterized here is made visible to it.
  void Release();

 private:
  struct Impl;
  explicit ImageRasterizer(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace sheetwright::output
