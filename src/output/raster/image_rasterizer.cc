#include "output/raster/image_rasterizer.h"

#include <agg_basics.h>
#include <agg_conv_stroke.h>
#include <agg_pixfmt_rgba.h>
#include <agg_rasterizer_outline_aa.h>
#include <agg_rasterizer_scanline_aa.h>
#include <agg_renderer_base.h>
#include <agg_renderer_outline_aa.h>
#include <agg_renderer_scanline.h>
#include <agg_rendering_buffer.h>
#include <agg_scanline_p.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace sheetwright::output {
namespace {

// Cairo's 32-bit formats are premultiplied native-endian words, B G R A in memory here. RGB24
// ignores the top byte, which the premultiplied blend of opaque colours keeps meaningful anyway.
using PixelFormat = agg::pixfmt_bgra32_pre;
using Renderer = agg::renderer_base<PixelFormat>;
// Clipping in double precision: a coordinate far off the surface (the map data allows any
// 32-bit value) would overflow the rasterizer's fixed-point cells if it were clipped later.
using Rasterizer = agg::rasterizer_scanline_aa<agg::rasterizer_sl_clip_dbl>;

// Vertices closer than this to the last one kept (in device pixels) do not reach the
// rasterizer: a quarter pixel is below what anti-aliasing shows.
constexpr double kDropDistance = 0.25;
// Round caps and joins are polygons whose sides stray at most this far (in device pixels) inside
// the true circle, the same quarter pixel: AGG's approximation scale of 0.5 (1 would be an
// eighth, with twice the sides on a wide pen's every cap and join).
constexpr double kArcScale = 0.5;
// Lines up to this wide (device pixels) have a renderer of their own, which works in 24.8 fixed
// point: a line that reaches further out goes through the clipping rasterizer.
constexpr double kThinLine = 1.5;
constexpr double kOutlineRange = 1 << 20;
// That renderer also multiplies two distances within a line and its neighbours (its joins) in
// 32-bit integers at 1/16 pixel: a figure spanning more than this many pixels would overflow
// them (2 * (16 * span)^2 < 2^31), so it goes through the clipping rasterizer as well.
constexpr double kOutlineSpan = 2040;

// A figure in device pixels as an AGG vertex source.
class DevicePath {
 public:
  void Set(std::span<const picture::Point> points, const cairo_matrix_t& m, bool closed) {
    xy_.clear();
    closed_ = closed;
    x0_ = y0_ = std::numeric_limits<double>::infinity();
    x1_ = y1_ = -x0_;
    double last_x = 0, last_y = 0;
    for (size_t i = 0; i < points.size(); ++i) {
      double x = m.xx * points[i].x + m.x0;
      double y = m.yy * points[i].y + m.y0;
      bool last = i + 1 == points.size();
      double dx = x - last_x, dy = y - last_y;
      if (i > 0 && !last && dx * dx + dy * dy < kDropDistance * kDropDistance) continue;
      xy_.push_back(x);
      xy_.push_back(y);
      x0_ = std::min(x0_, x), x1_ = std::max(x1_, x);
      y0_ = std::min(y0_, y), y1_ = std::max(y1_, y);
      last_x = x;
      last_y = y;
    }
  }
  // The largest coordinate, in pixels.
  double extent() const { return std::max({-x0_, x1_, -y0_, y1_}); }
  double span() const { return std::max(x1_ - x0_, y1_ - y0_); }
  // Whether the figure, widened by `margin`, misses the rectangle.
  bool Misses(double x0, double y0, double x1, double y1, double margin) const {
    return x1_ + margin < x0 || x0_ - margin > x1 || y1_ + margin < y0 || y0_ - margin > y1;
  }
  void rewind(unsigned) { at_ = 0; }
  unsigned vertex(double* x, double* y) {
    if (at_ < xy_.size()) {
      *x = xy_[at_];
      *y = xy_[at_ + 1];
      at_ += 2;
      return at_ == 2 ? agg::path_cmd_move_to : agg::path_cmd_line_to;
    }
    *x = *y = 0;
    if (closed_ && at_ == xy_.size()) {
      ++at_;
      return agg::path_cmd_end_poly | static_cast<unsigned>(agg::path_flags_close);
    }
    return agg::path_cmd_stop;
  }

 private:
  std::vector<double> xy_;
  size_t at_ = 0;
  bool closed_ = false;
  double x0_ = 0, y0_ = 0, x1_ = 0, y1_ = 0;  // bounds
};

agg::rgba8 AggColor(picture::Rgb c) { return agg::rgba8(c.r, c.g, c.b, 255); }

}  // namespace

struct ImageRasterizer::Impl {
  cairo_surface_t* surface = nullptr;
  agg::rendering_buffer buffer;
  PixelFormat pixels{buffer};
  Renderer renderer{pixels};
  Rasterizer rasterizer;
  agg::scanline_p8 scanline;  // packed: a run of full coverage is filled in one go
  DevicePath path;
  agg::line_profile_aa thin_profile;
  double thin_width = -1;
  double clip_x0 = 0, clip_y0 = 0, clip_x1 = 0, clip_y1 = 0;
  bool holding = false;  // rasterized pixels that Cairo does not know of yet

  // Whether the figure just set may show: a zoomed view leaves most of the sheet outside.
  bool Shows(double margin) const {
    return !path.Misses(clip_x0, clip_y0, clip_x1, clip_y1, margin);
  }

  void Acquire() {
    if (holding) return;
    cairo_surface_flush(surface);
    holding = true;
  }
  void Render(agg::rgba8 color) {
    agg::render_scanlines_aa_solid(rasterizer, scanline, renderer, color);
  }
  // The rasterizer clips to the surface's clip, widened by `margin` pixels so that the outline
  // of a stroke that runs just outside stays outside.
  void Reset(double margin, agg::filling_rule_e rule) {
    rasterizer.reset();
    rasterizer.filling_rule(rule);
    rasterizer.clip_box(clip_x0 - margin, clip_y0 - margin, clip_x1 + margin, clip_y1 + margin);
  }
};

ImageRasterizer::ImageRasterizer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
ImageRasterizer::~ImageRasterizer() { Release(); }

std::unique_ptr<ImageRasterizer> ImageRasterizer::For(cairo_t* cr) {
  cairo_surface_t* surface = cairo_get_group_target(cr);
  if (surface != cairo_get_target(cr) ||
      cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) {
    return nullptr;
  }
  cairo_format_t format = cairo_image_surface_get_format(surface);
  if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) return nullptr;
  double offset_x = 0, offset_y = 0;
  cairo_surface_get_device_offset(surface, &offset_x, &offset_y);
  if (offset_x != 0 || offset_y != 0) return nullptr;
  cairo_rectangle_list_t* clips = cairo_copy_clip_rectangle_list(cr);
  bool one_rectangle = clips->status == CAIRO_STATUS_SUCCESS && clips->num_rectangles == 1;
  cairo_rectangle_list_destroy(clips);
  if (!one_rectangle) return nullptr;

  auto impl = std::make_unique<Impl>();
  impl->surface = surface;
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  int width = cairo_image_surface_get_width(surface);
  int height = cairo_image_surface_get_height(surface);
  if (!data || width <= 0 || height <= 0) return nullptr;
  impl->buffer.attach(data, width, height, cairo_image_surface_get_stride(surface));
  impl->pixels.attach(impl->buffer);
  impl->renderer.attach(impl->pixels);
  cairo_save(cr);
  cairo_identity_matrix(cr);
  cairo_clip_extents(cr, &impl->clip_x0, &impl->clip_y0, &impl->clip_x1, &impl->clip_y1);
  cairo_restore(cr);
  impl->renderer.clip_box(static_cast<int>(std::floor(impl->clip_x0)),
                          static_cast<int>(std::floor(impl->clip_y0)),
                          static_cast<int>(std::ceil(impl->clip_x1)) - 1,
                          static_cast<int>(std::ceil(impl->clip_y1)) - 1);
  auto raster = std::unique_ptr<ImageRasterizer>(new ImageRasterizer(std::move(impl)));
  if (!raster->Handles(cr)) return nullptr;
  return raster;
}

bool ImageRasterizer::Handles(cairo_t* cr) const {
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  return m.xy == 0 && m.yx == 0;
}

void ImageRasterizer::Stroke(cairo_t* cr, std::span<const picture::Point> points, bool closed,
                             double width, picture::Rgb color) {
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  Impl& im = *impl_;
  im.path.Set(points, m, closed);
  if (!im.Shows(width)) return;
  im.Acquire();
  if (width <= kThinLine && im.path.extent() < kOutlineRange && im.path.span() < kOutlineSpan) {
    // A line a pixel or two wide: its anti-aliased pixels straight from the line profile, with
    // no outline to sweep. At that width ends and corners need no rounding.
    if (im.thin_width != width) {
      im.thin_profile.width(width);
      im.thin_width = width;
    }
    using OutlineRenderer = agg::renderer_outline_aa<Renderer>;
    OutlineRenderer lines(im.renderer, im.thin_profile);
    lines.color(AggColor(color));
    agg::rasterizer_outline_aa<OutlineRenderer> outline(lines);
    outline.round_cap(false);
    outline.line_join(agg::outline_no_join);
    outline.add_path(im.path);
    return;
  }
  agg::conv_stroke<DevicePath> stroke(im.path);
  stroke.width(width);
  stroke.line_cap(agg::round_cap);
  stroke.line_join(agg::round_join);
  stroke.approximation_scale(kArcScale);
  im.Reset(width, agg::fill_non_zero);
  im.rasterizer.add_path(stroke);
  im.Render(AggColor(color));
}

void ImageRasterizer::Fill(cairo_t* cr, std::span<const picture::Point> points,
                           picture::Rgb color) {
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  impl_->path.Set(points, m, true);
  if (!impl_->Shows(1)) return;
  impl_->Acquire();
  impl_->Reset(1, agg::fill_even_odd);
  impl_->rasterizer.add_path(impl_->path);
  impl_->Render(AggColor(color));
}

void ImageRasterizer::Release() {
  if (!impl_->holding) return;
  cairo_surface_mark_dirty(impl_->surface);
  impl_->holding = false;
}

}  // namespace sheetwright::output
