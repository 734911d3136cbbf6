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
#include <functional>
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

// A stroke of more outline than this (device pixels, each segment's length plus its join) goes
// to the rasterizer in pieces of kPieceOutline: a piece's cells stay well inside the
// rasterizer's limit (four million, beyond which it silently drops the rest), and a stop is
// looked for between pieces. No map line comes near it.
constexpr double kLongOutline = 1 << 20;
constexpr double kPieceOutline = 1 << 18;
// A stop is looked for after about this much outline drawn.
constexpr double kOutlinePerCheck = 1 << 18;

// A figure in device pixels as an AGG vertex source, or a piece of it (Select).
class DevicePath {
 public:
  // With `retraces` false, every vertex that moves the pen by the drop distance is kept. With it
  // true (open lines), a segment whose two ends lie within the drop distance of the two ends of
  // one of the last two segments kept is left out as well, and the line goes on from where that
  // segment ended: a line that zigzags back and forth over itself draws the pixels once. What
  // such a segment covers lies within a quarter pixel of the kept one.
  void Set(std::span<const picture::Point> points, const cairo_matrix_t& m, bool closed,
           bool retraces) {
    xy_.clear();
    starts_.clear();
    closed_ = closed;
    recent_count_ = 0;
    outline_ = 0;
    x0_ = y0_ = std::numeric_limits<double>::infinity();
    x1_ = y1_ = -x0_;
    double last_x = 0, last_y = 0;
    bool broken = false;  // the pen has moved past left-out segments
    for (size_t i = 0; i < points.size(); ++i) {
      double x = m.xx * points[i].x + m.x0;
      double y = m.yy * points[i].y + m.y0;
      bool last = i + 1 == points.size();
      double dx = x - last_x, dy = y - last_y;
      if (i > 0) {
        if (!last && dx * dx + dy * dy < kDropDistance * kDropDistance) continue;
        if (retraces && Retraced(last_x, last_y, x, y)) {
          last_x = x, last_y = y;
          broken = true;
          continue;
        }
        if (broken) Push(last_x, last_y, true);
        broken = false;
        Remember(last_x, last_y, x, y);
        outline_ += std::abs(dx) + std::abs(dy);
      }
      Push(x, y, i == 0);
      last_x = x;
      last_y = y;
    }
    Select(0, size());
  }
  size_t size() const { return xy_.size() / 2; }
  // The length of the figure's segments, about the outline the stroker makes of it.
  double outline() const { return outline_; }
  // The largest coordinate, in pixels.
  double extent() const { return std::max({-x0_, x1_, -y0_, y1_}); }
  double span() const { return std::max(x1_ - x0_, y1_ - y0_); }
  // Whether the figure, widened by `margin`, misses the rectangle.
  bool Misses(double x0, double y0, double x1, double y1, double margin) const {
    return x1_ + margin < x0 || x0_ - margin > x1 || y1_ + margin < y0 || y0_ - margin > y1;
  }

  // The vertex source gives vertices [from, to) only, as open lines unless that is all of a
  // closed figure of one line.
  void Select(size_t from, size_t to) {
    from_ = from;
    to_ = to;
  }
  // The end of the piece that starts at `from`: the vertex at which its outline reaches
  // `outline` pixels (each segment counted with `per_vertex` more for its join), or the last.
  size_t PieceEnd(size_t from, double outline, double per_vertex) const {
    double sum = 0;
    size_t i = from + 1;
    for (; i < size(); ++i) {
      sum += std::abs(xy_[2 * i] - xy_[2 * i - 2]) + std::abs(xy_[2 * i + 1] - xy_[2 * i - 1]) +
             per_vertex;
      if (sum >= outline) break;
    }
    return std::min(i + 1, size());
  }

  void rewind(unsigned) {
    at_ = from_;
    next_start_ = std::lower_bound(starts_.begin(), starts_.end(), from_) - starts_.begin();
  }
  unsigned vertex(double* x, double* y) {
    if (at_ < to_) {
      *x = xy_[2 * at_];
      *y = xy_[2 * at_ + 1];
      bool start = at_ == from_;
      if (next_start_ < starts_.size() && starts_[next_start_] == at_) {
        start = true;
        ++next_start_;
      }
      ++at_;
      return start ? agg::path_cmd_move_to : agg::path_cmd_line_to;
    }
    *x = *y = 0;
    if (closed_ && starts_.size() == 1 && from_ == 0 && to_ == size() && at_ == to_) {
      ++at_;
      return agg::path_cmd_end_poly | static_cast<unsigned>(agg::path_flags_close);
    }
    return agg::path_cmd_stop;
  }

 private:
  struct Segment {
    double x0, y0, x1, y1;
  };
  static bool Near(double ax, double ay, double bx, double by) {
    double dx = ax - bx, dy = ay - by;
    return dx * dx + dy * dy < kDropDistance * kDropDistance;
  }
  bool Retraced(double x0, double y0, double x1, double y1) const {
    for (int k = 0; k < recent_count_; ++k) {
      const Segment& s = recent_[k];
      if ((Near(x0, y0, s.x0, s.y0) && Near(x1, y1, s.x1, s.y1)) ||
          (Near(x0, y0, s.x1, s.y1) && Near(x1, y1, s.x0, s.y0))) {
        return true;
      }
    }
    return false;
  }
  void Remember(double x0, double y0, double x1, double y1) {
    recent_[1] = recent_[0];
    recent_[0] = {x0, y0, x1, y1};
    recent_count_ = std::min(recent_count_ + 1, 2);
  }
  void Push(double x, double y, bool start) {
    if (start) starts_.push_back(size());
    xy_.push_back(x);
    xy_.push_back(y);
    x0_ = std::min(x0_, x), x1_ = std::max(x1_, x);
    y0_ = std::min(y0_, y), y1_ = std::max(y1_, y);
  }

  std::vector<double> xy_;
  std::vector<size_t> starts_;  // the vertices that start a line
  size_t from_ = 0, to_ = 0, at_ = 0, next_start_ = 0;
  bool closed_ = false;
  Segment recent_[2] = {};
  int recent_count_ = 0;
  double outline_ = 0;
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
  std::function<bool()> stop;
  double outline_since_check = 0;
  bool stopped = false;

  // Whether the figure just set may show: a zoomed view leaves most of the sheet outside.
  bool Shows(double margin) const {
    return !path.Misses(clip_x0, clip_y0, clip_x1, clip_y1, margin);
  }
  // Counts what was just drawn and asks `stop` once enough was.
  void Drawn(double outline) {
    outline_since_check += outline;
    if (outline_since_check < kOutlinePerCheck || !stop) return;
    outline_since_check = 0;
    stopped = stop();
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
  template <class Draw>
  void Pieces(double per_vertex, const Draw& draw);
  void ThinLines(double width, agg::rgba8 color);
  void WideLines(double width, agg::rgba8 color);
};

// Draws the path set with `draw`, a long one piece by piece (each starting where the last ended,
// which round caps join as a round join would), asking for a stop in between.
template <class Draw>
void ImageRasterizer::Impl::Pieces(double per_vertex, const Draw& draw) {
  if (path.outline() + per_vertex * path.size() < kLongOutline) {
    draw();
    Drawn(path.outline());
    return;
  }
  for (size_t from = 0; from + 1 < path.size() && !stopped;) {
    size_t to = path.PieceEnd(from, kPieceOutline, per_vertex);
    path.Select(from, to);
    draw();
    Drawn(kOutlinePerCheck);
    from = to - 1;
  }
  path.Select(0, path.size());
}

// A line a pixel or two wide: its anti-aliased pixels straight from the line profile, with no
// outline to sweep. At that width ends and corners need no rounding.
void ImageRasterizer::Impl::ThinLines(double width, agg::rgba8 color) {
  if (thin_width != width) {
    thin_profile.width(width);
    thin_width = width;
  }
  using OutlineRenderer = agg::renderer_outline_aa<Renderer>;
  OutlineRenderer lines(renderer, thin_profile);
  lines.color(color);
  agg::rasterizer_outline_aa<OutlineRenderer> outline(lines);
  outline.round_cap(false);
  outline.line_join(agg::outline_no_join);
  Pieces(0, [&] { outline.add_path(path); });
}

// A wider line: its outline with round caps and joins, filled.
void ImageRasterizer::Impl::WideLines(double width, agg::rgba8 color) {
  agg::conv_stroke<DevicePath> stroke(path);
  stroke.width(width);
  stroke.line_cap(agg::round_cap);
  stroke.line_join(agg::round_join);
  stroke.approximation_scale(kArcScale);
  Pieces(2 * width, [&] {
    Reset(width, agg::fill_non_zero);
    rasterizer.add_path(stroke);
    Render(color);
  });
}

ImageRasterizer::ImageRasterizer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
ImageRasterizer::~ImageRasterizer() { Release(); }

std::unique_ptr<ImageRasterizer> ImageRasterizer::For(cairo_t* cr, std::function<bool()> stop) {
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
  impl->stop = std::move(stop);
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
  Impl& im = *impl_;
  if (im.stopped) return;
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  im.path.Set(points, m, closed, false);
  // A line that goes back over itself shows as much once; only one far longer than any map's
  // drawing (hundreds of times across the image) is worth the looking.
  if (!closed && im.path.outline() > kLongOutline) im.path.Set(points, m, false, true);
  if (!im.Shows(width)) return;
  im.Acquire();
  if (width <= kThinLine && im.path.extent() < kOutlineRange && im.path.span() < kOutlineSpan) {
    im.ThinLines(width, AggColor(color));
  } else {
    im.WideLines(width, AggColor(color));
  }
}

bool ImageRasterizer::Reaches(cairo_t* cr, double x0, double y0, double x1, double y1,
                              double margin) const {
  const Impl& im = *impl_;
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  const double ax = m.xx * x0 + m.x0, bx = m.xx * x1 + m.x0;
  const double ay = m.yy * y0 + m.y0, by = m.yy * y1 + m.y0;
  return !(std::max(ax, bx) < im.clip_x0 - margin || std::min(ax, bx) > im.clip_x1 + margin ||
           std::max(ay, by) < im.clip_y0 - margin || std::min(ay, by) > im.clip_y1 + margin);
}

void ImageRasterizer::Fill(cairo_t* cr, std::span<const picture::Point> points,
                           picture::Rgb color) {
  Impl& im = *impl_;
  if (im.stopped) return;
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  im.path.Set(points, m, true, false);
  if (!im.Shows(1)) return;
  im.Acquire();
  im.Reset(1, agg::fill_even_odd);
  im.rasterizer.add_path(im.path);
  im.Render(AggColor(color));
  im.Drawn(im.path.outline());
}

bool ImageRasterizer::stopped() const { return impl_->stopped; }

void ImageRasterizer::Release() {
  if (!impl_->holding) return;
  cairo_surface_mark_dirty(impl_->surface);
  impl_->holding = false;
}

}  // namespace sheetwright::output
