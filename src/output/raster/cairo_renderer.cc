#include "output/raster/cairo_renderer.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "base/atomic_file.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "output/geometry/line_chains.h"
#include "output/playback.h"
#include "output/raster/image_rasterizer.h"
#include "output/raster/png_writer.h"
#include "output/raster/row_bands.h"
#include "picture/font_library.h"

namespace sheetwright::output {
namespace {

void SetSourceColor(cairo_t* cr, picture::ColorValue value) {
  picture::Rgb c = picture::ResolveColor(value);
  cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0);
}

class Player {
 public:
  // `raster`, when given, draws the strokes and solid fills on cr's image surface.
  // `stop`, when given, is asked every few hundred records and by the rasterizer during long
  // work; once it says yes the playback ends with ConversionCancelled.
  Player(cairo_t* cr, picture::FontLibrary& fonts, ImageRasterizer* raster,
         const std::function<bool()>& stop)
      : cr_(cr), fonts_(fonts), raster_(raster), stop_(stop) {}
  ~Player() {
    if (hatch_) cairo_pattern_destroy(hatch_);
  }
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

 private:
  template <class>
  friend class output::Playback;

  void Polyline(std::span<const picture::Point> points, const picture::DcState& dc) {
    OpenLine(points, dc);
  }
  // A line to where the pen stands draws nothing: the playback leaves it out.
  void Line(picture::Point from, picture::Point to, const picture::DcState& dc) {
    picture::Point ends[] = {from, to};
    OpenLine(ends, dc);
  }
  void Polygon(std::span<const picture::Point> points, const picture::DcState& dc);
  void Text(picture::Point at, std::string_view bytes, const picture::DcState& dc);
  void EndOfLines(const picture::DcState& dc);
  // Like SAVEDC / RESTOREDC around the layer: what it selects ends with it.
  void EnterLayer(const LayerFrame& frame) {
    cairo_save(cr_);
    cairo_scale(cr_, frame.sx, frame.sy);
  }
  void LeaveLayer(const LayerFrame&) {
    cairo_new_path(cr_);
    cairo_restore(cr_);
  }

  void AfterRecord() {
    if (!stop_) return;
    if ((raster_ && raster_->stopped()) || (++records_ % kRecordsPerCheck == 0 && stop_())) {
      throw base::ConversionCancelled();
    }
  }

  void Fill(const picture::DcState& dc);
  void Stroke(const picture::DcState& dc);
  double PenWidth(const picture::DcState& dc) const;
  // Whether the fast path draws at the current transformation; otherwise Cairo draws and is
  // given the surface back first.
  bool Rasterize() {
    if (raster_ && raster_->Handles(cr_)) return true;
    if (raster_) raster_->Release();
    return false;
  }
  void RasterStroke(std::span<const picture::Point> points, bool closed,
                    const picture::DcState& dc);
  void OpenLine(std::span<const picture::Point> points, const picture::DcState& dc);
  // Whether a figure with a pen this wide (pixels) can touch the rasterizer's surface.
  bool Reaches(std::span<const picture::Point> points, double pen_width) const;
  void SetPathPoints(std::span<const picture::Point> points);
  cairo_pattern_t* Hatch();

  cairo_t* cr_;
  picture::FontLibrary& fonts_;
  ImageRasterizer* raster_;
  const std::function<bool()>& stop_;
  LineChainer open_lines_;  // lines of the current pen not yet stroked
  double open_width_ = -1;  // their pen's width in pixels, once asked; a run has one pen
  cairo_pattern_t* hatch_ = nullptr;
  uint64_t records_ = 0;
  static constexpr uint64_t kRecordsPerCheck = 256;
};

bool ByX(picture::Point a, picture::Point b) { return a.x < b.x; }
bool ByY(picture::Point a, picture::Point b) { return a.y < b.y; }

bool Player::Reaches(std::span<const picture::Point> points, double pen_width) const {
  auto [x0, x1] = std::minmax_element(points.begin(), points.end(), ByX);
  auto [y0, y1] = std::minmax_element(points.begin(), points.end(), ByY);
  // Half the pen, plus the pixel its anti-aliased edge may reach, plus one for rounding.
  return raster_->Reaches(cr_, x0->x, y0->y, x1->x, y1->y, pen_width / 2 + 2);
}

void Player::Polygon(std::span<const picture::Point> points, const picture::DcState& dc) {
  if (dc.brush.style != picture::BrushStyle::kDiagCross && Rasterize()) {
    if (!Reaches(points, dc.pen.style == picture::PenStyle::kNull ? 0 : PenWidth(dc))) return;
    if (dc.brush.style == picture::BrushStyle::kSolid) {
      raster_->Fill(cr_, points, picture::ResolveColor(dc.brush.color));
    }
    RasterStroke(points, true, dc);
    return;
  }
  SetPathPoints(points);
  cairo_close_path(cr_);
  Fill(dc);
  Stroke(dc);
}

// Strokes a figure with the current pen through the rasterizer (Rasterize() said it draws).
void Player::RasterStroke(std::span<const picture::Point> points, bool closed,
                          const picture::DcState& dc) {
  if (dc.pen.style == picture::PenStyle::kNull) return;
  raster_->Stroke(cr_, points, closed, PenWidth(dc), picture::ResolveColor(dc.pen.color));
}

// A run of lines under one pen is chained end to end (line_chains.h) and stroked once: a vector
// document's size and its reader's time grow with every stroke operation and every point, and
// the rasterizer's with every cap, which a wide pen on short lines spends most of its outline on.
// The look is the same.
// A line that cannot touch the surface (a band of rows, a zoomed view) is not chained at all.
// The chains of the others can then pair differently where three or more lines meet, which moves
// a pixel there by one level at most.
void Player::OpenLine(std::span<const picture::Point> points, const picture::DcState& dc) {
  if (dc.pen.style == picture::PenStyle::kNull) return;
  if (raster_ && raster_->Handles(cr_)) {
    if (open_width_ < 0) open_width_ = PenWidth(dc);
    if (!Reaches(points, open_width_)) return;
  }
  open_lines_.Add(points);
}

void Player::EndOfLines(const picture::DcState& dc) {
  open_width_ = -1;
  if (open_lines_.empty()) return;
  if (Rasterize()) {
    // A chain that comes back to its start is a ring: joined there instead of two caps.
    open_lines_.Chain([&](std::span<const picture::Point> chain) {
      bool ring = chain.size() > 3 && chain.front() == chain.back();
      RasterStroke(ring ? chain.first(chain.size() - 1) : chain, ring, dc);
    });
    return;
  }
  cairo_new_path(cr_);
  open_lines_.Chain([&](std::span<const picture::Point> chain) {
    cairo_move_to(cr_, chain[0].x, chain[0].y);
    for (size_t i = 1; i < chain.size(); ++i) cairo_line_to(cr_, chain[i].x, chain[i].y);
  });
  Stroke(dc);
}

void Player::SetPathPoints(std::span<const picture::Point> points) {
  cairo_new_path(cr_);
  cairo_move_to(cr_, points[0].x, points[0].y);
  for (size_t i = 1; i < points.size(); ++i) cairo_line_to(cr_, points[i].x, points[i].y);
}

// GDI's diagonal-cross hatch: an 8 x 8 device-pixel cell with both
// diagonals set, repeated from the device origin whatever the scale.
cairo_pattern_t* Player::Hatch() {
  if (hatch_) return hatch_;
  cairo_surface_t* tile = cairo_image_surface_create(CAIRO_FORMAT_A8, 8, 8);
  cairo_surface_flush(tile);
  unsigned char* data = cairo_image_surface_get_data(tile);
  if (data) {
    int stride = cairo_image_surface_get_stride(tile);
    for (int i = 0; i < 8; ++i) {
      data[i * stride + i] = 0xFF;
      data[i * stride + (7 - i)] = 0xFF;
    }
  }
  cairo_surface_mark_dirty(tile);
  hatch_ = cairo_pattern_create_for_surface(tile);
  cairo_pattern_set_extend(hatch_, CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(hatch_, CAIRO_FILTER_NEAREST);
  cairo_surface_destroy(tile);
  return hatch_;
}

// Fills the current path (kept) with the current brush, even-odd as the picture's fill mode.
void Player::Fill(const picture::DcState& dc) {
  if (dc.brush.style == picture::BrushStyle::kNull) return;
  if (raster_) raster_->Release();
  cairo_save(cr_);
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
  if (dc.brush.style == picture::BrushStyle::kSolid) {
    SetSourceColor(cr_, dc.brush.color);
    cairo_fill_preserve(cr_);
  } else {
    // The gaps of a hatch show the background colour unless the background is transparent.
    if (dc.bk_mode == picture::BkMode::kOpaque) {
      SetSourceColor(cr_, dc.bk_color);
      cairo_fill_preserve(cr_);
    }
    // The path is kept in device space, so the hatch can be laid out there.
    cairo_identity_matrix(cr_);
    cairo_clip_preserve(cr_);
    SetSourceColor(cr_, dc.brush.color);
    cairo_mask(cr_, Hatch());
  }
  cairo_restore(cr_);
}

// Strokes and clears the current path with the current pen.
void Player::Stroke(const picture::DcState& dc) {
  if (dc.pen.style == picture::PenStyle::kNull) {
    cairo_new_path(cr_);
    return;
  }
  if (raster_) raster_->Release();
  double width = PenWidth(dc);  // before the transformation is set aside
  cairo_save(cr_);
  cairo_identity_matrix(cr_);
  cairo_set_line_width(cr_, width);
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
  SetSourceColor(cr_, dc.pen.color);
  cairo_stroke(cr_);
  cairo_restore(cr_);
}

// The current pen's width in device units. Pen widths are in drawing units; the scale is the
// geometric mean of the two axes so that an anisotropic fit keeps lines even. Below one device
// pixel a line would fade away (GDI draws such pens one pixel wide).
double Player::PenWidth(const picture::DcState& dc) const {
  double dx = 1, dy = 0, ex = 0, ey = 1;
  cairo_user_to_device_distance(cr_, &dx, &dy);
  cairo_user_to_device_distance(cr_, &ex, &ey);
  double scale = std::sqrt(std::abs(dx * ey - dy * ex));
  return std::max(1.0, std::max(dc.pen.width, 0) * scale);
}

void Player::Text(picture::Point at, std::string_view bytes, const picture::DcState& dc) {
  if (bytes.empty()) return;
  picture::LabelLayout layout = fonts_.Layout(dc.font, bytes);
  if (cairo_scaled_font_status(layout.scaled[0]) != CAIRO_STATUS_SUCCESS) return;
  if (raster_) {
    // Glyphs may reach past the measured box (a slant, a swash) by a part of their size.
    const double reach = layout.extent.height;
    if (raster_->Handles(cr_) &&
        !raster_->Reaches(cr_, at.x - reach, at.y - reach, at.x + layout.extent.width + reach,
                          at.y + 2 * reach, 2)) {
      return;
    }
    raster_->Release();
  }
  double x = at.x, y = at.y;
  double baseline = y + layout.ascent;

  if (dc.bk_mode == picture::BkMode::kOpaque) {
    cairo_new_path(cr_);
    cairo_rectangle(cr_, x, y, layout.extent.width, layout.extent.height);
    SetSourceColor(cr_, dc.bk_color);
    cairo_fill(cr_);
  }

  cairo_save(cr_);
  // The positions are already fixed at the reference size; at the drawing scale only the
  // outlines matter.
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_set_font_options(cr_, options);
  cairo_font_options_destroy(options);
  cairo_set_font_size(cr_, layout.ppem);
  SetSourceColor(cr_, dc.text_color);
  // Each character goes where the measured advances put it, so that a label drawn here takes
  // exactly the room it was measured (and centred) with; a run of characters of one face is
  // one call.
  std::vector<cairo_glyph_t> run;
  double cursor = x;
  auto show = [&](int face) {
    // A font that failed would put the whole context into its error state.
    if (run.empty() || cairo_scaled_font_status(layout.scaled[face]) != CAIRO_STATUS_SUCCESS) {
      run.clear();
      return;
    }
    cairo_set_font_face(cr_, cairo_scaled_font_get_font_face(layout.scaled[face]));
    cairo_show_glyphs(cr_, run.data(), static_cast<int>(run.size()));
    run.clear();
  };
  for (size_t i = 0; i < layout.glyphs.size(); ++i) {
    const picture::LabelGlyph& g = layout.glyphs[i];
    if (i > 0 && g.face != layout.glyphs[i - 1].face) show(layout.glyphs[i - 1].face);
    run.push_back(cairo_glyph_t{g.glyph, cursor, baseline});
    cursor += g.advance;
  }
  if (!layout.glyphs.empty()) show(layout.glyphs.back().face);

  double thickness = layout.line_thickness;
  if (dc.font.style & picture::kUnderline) {
    cairo_rectangle(cr_, x, baseline + layout.underline_position - thickness / 2,
                    layout.extent.width, thickness);
    cairo_fill(cr_);
  }
  if (dc.font.style & picture::kStrikeOut) {
    cairo_rectangle(cr_, x, baseline - layout.strike_position - thickness / 2, layout.extent.width,
                    thickness);
    cairo_fill(cr_);
  }
  cairo_restore(cr_);
}

[[noreturn]] void Fail(const std::string& path, const char* reason) {
  throw base::ConversionError(path + " に書き込めません: " + reason);
}

// False when a view's abort stopped the playback; ConversionCancelled when `stop` did.
bool Render(const picture::Picture& picture, cairo_t* cr, double target_width, double target_height,
            picture::FontLibrary& fonts, const PlayView* view,
            const std::function<bool()>& stop = {}) {
  if (picture.width <= 0 || picture.height <= 0 || !(target_width > 0) || !(target_height > 0)) {
    return true;
  }
  cairo_save(cr);
  cairo_scale(cr, target_width / picture.width, target_height / picture.height);
  std::unique_ptr<ImageRasterizer> raster = ImageRasterizer::For(cr, view ? view->abort : stop);
  bool finished;
  {
    Player player(cr, fonts, raster.get(), stop);
    finished = Play(picture, player, view);
  }
  bool stopped = raster && raster->stopped();
  cairo_new_path(cr);
  raster.reset();
  cairo_restore(cr);
  if (stopped && stop) throw base::ConversionCancelled();
  return finished && !stopped;
}

}  // namespace

void RenderPicture(const picture::Picture& picture, cairo_t* cr, double target_width,
                   double target_height, picture::FontLibrary& fonts) {
  Render(picture, cr, target_width, target_height, fonts, nullptr);
}

bool RenderPicture(const picture::Picture& picture, cairo_t* cr, double target_width,
                   double target_height, picture::FontLibrary& fonts, const PlayView& view) {
  return Render(picture, cr, target_width, target_height, fonts, &view);
}

std::string EncodeImage(const picture::Picture& picture, int width, int height,
                        picture::FontLibrary& fonts, const ImageOptions& options) {
  if (width <= 0 || height <= 0) {
    throw base::ConversionError("invalid image size");
  }
  // Opaque: the background is painted white, so no alpha channel is stored.
  Surface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
  cairo_status_t status = cairo_surface_status(surface.get());
  if (status == CAIRO_STATUS_SUCCESS) {
    Context cr(cairo_create(surface.get()));
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_paint(cr.get());
    cairo_matrix_t identity;
    cairo_matrix_init_identity(&identity);
    DrawInBands(surface.get(), identity, options.bands, [&](cairo_t* band) {
      return Render(picture, band, width, height, fonts, nullptr, options.stop);
    });
    cairo_surface_flush(surface.get());
    status = cairo_surface_status(surface.get());
  }
  if (status != CAIRO_STATUS_SUCCESS) {
    throw base::ConversionError(std::string("cannot draw the image: ") +
                                cairo_status_to_string(status));
  }
  return EncodePng(surface.get());
}

void StoreImage(const picture::Picture& picture, int width, int height, const std::string& path,
                picture::FontLibrary& fonts) {
  std::string bytes;
  try {
    bytes = EncodeImage(picture, width, height, fonts, {});
  } catch (const base::ConversionError& e) {
    Fail(path, e.what());
  }
  base::WriteFileAtomically(path, bytes);
}

}  // namespace sheetwright::output
