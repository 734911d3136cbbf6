#include "output/cairo_renderer.h"

#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/atomic_file.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "output/image_rasterizer.h"
#include "output/line_chains.h"
#include "output/png_writer.h"
#include "picture/font_library.h"

namespace sheetwright::output {
namespace {

void SetSourceColor(cairo_t* cr, picture::ColorValue value) {
  picture::Rgb c = picture::ResolveColor(value);
  cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0);
}

// A label font at the reference size (its pixel size in drawing units, whatever the scale the
// picture is drawn at): glyph lookup, the baseline and the underline and strike-out metrics.
// Advances come from the font library, so drawn labels match their measured extents.
class LayoutFont {
 public:
  // `scaled` is the library's font for the label (FontLibrary::ScaledFont), `ascent` its
  // FontLibrary::Ascent.
  LayoutFont(cairo_scaled_font_t* scaled, double ppem, double ascent)
      : scaled_(scaled), ppem_(ppem), ascent_(ascent) {
    underline_position_ = ppem * 0.1;
    line_thickness_ = std::max(1.0, std::round(ppem / 16));
    strike_position_ = ppem * 0.3;
    if (!ok()) return;
    if (FT_Face ft = cairo_ft_scaled_font_lock_face(scaled_)) {
      double scale = ppem / ft->units_per_EM;
      auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
      if (ft->underline_thickness > 0) {
        line_thickness_ = std::max(1.0, std::round(ft->underline_thickness * scale));
        underline_position_ = std::max(1.0, std::round(-ft->underline_position * scale));
      }
      if (os2 && os2->version != 0xFFFF && os2->yStrikeoutPosition > 0) {
        strike_position_ = std::round(os2->yStrikeoutPosition * scale);
      }
      cairo_ft_scaled_font_unlock_face(scaled_);
    }
  }

  // The glyphs of one CP932 character (relative to its origin on the baseline) and its
  // measured advance; kept, as labels repeat the same few hundred characters.
  struct Character {
    std::vector<cairo_glyph_t> glyphs;
    double advance = 0;
  };
  const Character& Lookup(std::string_view cp932, picture::FontLibrary& fonts,
                          const picture::LabelFont& font) {
    uint32_t key = static_cast<unsigned char>(cp932[0]);
    if (cp932.size() > 1) key = (key << 8) | static_cast<unsigned char>(cp932[1]);
    auto [it, inserted] = characters_.try_emplace(key);
    if (!inserted) return it->second;
    std::string utf8 = base::Cp932ToUtf8(cp932);
    cairo_glyph_t* run = nullptr;
    int count = 0;
    if (cairo_scaled_font_text_to_glyphs(scaled_, 0, 0, utf8.data(), static_cast<int>(utf8.size()),
                                         &run, &count, nullptr, nullptr,
                                         nullptr) == CAIRO_STATUS_SUCCESS) {
      it->second.glyphs.assign(run, run + count);
      cairo_glyph_free(run);
    }
    it->second.advance = fonts.Measure(font, cp932).width;
    return it->second;
  }

  bool ok() const { return cairo_scaled_font_status(scaled_) == CAIRO_STATUS_SUCCESS; }
  cairo_scaled_font_t* scaled() const { return scaled_; }
  double ppem() const { return ppem_; }
  double ascent() const { return ascent_; }
  double underline_position() const { return underline_position_; }  // below the baseline
  double strike_position() const { return strike_position_; }        // above the baseline
  double line_thickness() const { return line_thickness_; }

 private:
  cairo_scaled_font_t* scaled_;  // owned by the font library
  double ppem_;
  double ascent_, underline_position_, strike_position_, line_thickness_;
  std::unordered_map<uint32_t, Character> characters_;
};

class Player {
 public:
  // `raster`, when given, draws the strokes and solid fills on cr's image surface.
  Player(cairo_t* cr, picture::FontLibrary& fonts, ImageRasterizer* raster)
      : cr_(cr), fonts_(fonts), raster_(raster) {}
  ~Player() {
    if (hatch_) cairo_pattern_destroy(hatch_);
  }
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  void Play(const picture::Picture& picture);

 private:
  void Fill();
  void Stroke();
  double PenWidth() const;
  // Whether the fast path draws at the current transformation; otherwise Cairo draws and is
  // given the surface back first.
  bool Rasterize() {
    if (raster_ && raster_->Handles(cr_)) return true;
    if (raster_) raster_->Release();
    return false;
  }
  void RasterStroke(std::span<const picture::Point> points, bool closed);
  void OpenLine(std::span<const picture::Point> points);
  void StrokeOpenLines();
  void DrawText(const picture::Picture& picture, const picture::TextRec& text);
  void SetPathPoints(std::span<const picture::Point> points);
  LayoutFont& Layout(const picture::LabelFont& font);
  cairo_pattern_t* Hatch();

  cairo_t* cr_;
  picture::FontLibrary& fonts_;
  ImageRasterizer* raster_;
  LineChainer open_lines_;  // lines of the current pen not yet stroked
  picture::DcState dc_;
  cairo_pattern_t* hatch_ = nullptr;
  std::unordered_map<cairo_scaled_font_t*, std::unique_ptr<LayoutFont>> layouts_;
};

void Player::Play(const picture::Picture& picture) {
  for (const picture::Record& record : picture.records) {
    if (!open_lines_.empty() && !std::holds_alternative<picture::PolylineRec>(record) &&
        !std::holds_alternative<picture::LineRec>(record)) {
      StrokeOpenLines();
    }
    std::visit(picture::Overloaded{
                   picture::DcSelect{dc_, picture},
                   [&](const picture::PolylineRec& r) {
                     auto points = picture.Drawn(r);
                     if (!points.empty()) OpenLine(points);
                   },
                   [&](const picture::PolygonRec& r) {
                     auto points = picture.Drawn(r);
                     if (points.empty()) return;
                     if (dc_.brush.style != picture::BrushStyle::kDiagCross && Rasterize()) {
                       if (dc_.brush.style == picture::BrushStyle::kSolid) {
                         raster_->Fill(cr_, points, picture::ResolveColor(dc_.brush.color));
                       }
                       RasterStroke(points, true);
                       return;
                     }
                     SetPathPoints(points);
                     cairo_close_path(cr_);
                     Fill();
                     Stroke();
                   },
                   [&](const picture::LineRec& r) {
                     if (r.from == r.to) return;  // a line to where the pen stands draws nothing
                     picture::Point ends[] = {r.from, r.to};
                     OpenLine(ends);
                   },
                   [&](const picture::TextRec& r) {
                     if (picture.HoldsText(r)) DrawText(picture, r);
                   },
                   [&](const picture::LayerRec& r) {
                     const picture::Picture* layer = picture.Layer(r);
                     if (!layer || layer->width <= 0 || layer->height <= 0) return;
                     // Like SAVEDC / RESTOREDC around the layer: what it selects ends with it.
                     picture::DcState saved = dc_;
                     cairo_save(cr_);
                     cairo_scale(cr_, static_cast<double>(picture.width) / layer->width,
                                 static_cast<double>(picture.height) / layer->height);
                     Play(*layer);
                     cairo_restore(cr_);
                     dc_ = saved;
                   },
               },
               record);
  }
  StrokeOpenLines();
  cairo_new_path(cr_);
}

// Strokes a figure with the current pen through the rasterizer (Rasterize() said it draws).
void Player::RasterStroke(std::span<const picture::Point> points, bool closed) {
  if (dc_.pen.style == picture::PenStyle::kNull) return;
  raster_->Stroke(cr_, points, closed, PenWidth(), picture::ResolveColor(dc_.pen.color));
}

// A run of lines under one pen is chained end to end (line_chains.h) and stroked once: a vector
// document's size and its reader's time grow with every stroke operation and every point, and
// the rasterizer's with every cap, which a wide pen on short lines spends most of its outline on.
// The look is the same.
void Player::OpenLine(std::span<const picture::Point> points) {
  if (dc_.pen.style == picture::PenStyle::kNull) return;
  open_lines_.Add(points);
}

void Player::StrokeOpenLines() {
  if (open_lines_.empty()) return;
  if (Rasterize()) {
    // A chain that comes back to its start is a ring: joined there instead of two caps.
    open_lines_.Chain([&](std::span<const picture::Point> chain) {
      bool ring = chain.size() > 3 && chain.front() == chain.back();
      RasterStroke(ring ? chain.first(chain.size() - 1) : chain, ring);
    });
    return;
  }
  cairo_new_path(cr_);
  open_lines_.Chain([&](std::span<const picture::Point> chain) {
    cairo_move_to(cr_, chain[0].x, chain[0].y);
    for (size_t i = 1; i < chain.size(); ++i) cairo_line_to(cr_, chain[i].x, chain[i].y);
  });
  Stroke();
}

void Player::SetPathPoints(std::span<const picture::Point> points) {
  cairo_new_path(cr_);
  cairo_move_to(cr_, points[0].x, points[0].y);
  for (size_t i = 1; i < points.size(); ++i) cairo_line_to(cr_, points[i].x, points[i].y);
}

// The diagonal-cross hatch of the reference platform: an 8 x 8 device-pixel cell with both
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
void Player::Fill() {
  if (dc_.brush.style == picture::BrushStyle::kNull) return;
  if (raster_) raster_->Release();
  cairo_save(cr_);
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
  if (dc_.brush.style == picture::BrushStyle::kSolid) {
    SetSourceColor(cr_, dc_.brush.color);
    cairo_fill_preserve(cr_);
  } else {
    // The gaps of a hatch show the background colour unless the background is transparent.
    if (dc_.bk_mode == picture::BkMode::kOpaque) {
      SetSourceColor(cr_, dc_.bk_color);
      cairo_fill_preserve(cr_);
    }
    // The path is kept in device space, so the hatch can be laid out there.
    cairo_identity_matrix(cr_);
    cairo_clip_preserve(cr_);
    SetSourceColor(cr_, dc_.brush.color);
    cairo_mask(cr_, Hatch());
  }
  cairo_restore(cr_);
}

// Strokes and clears the current path with the current pen.
void Player::Stroke() {
  if (dc_.pen.style == picture::PenStyle::kNull) {
    cairo_new_path(cr_);
    return;
  }
  if (raster_) raster_->Release();
  double width = PenWidth();  // before the transformation is set aside
  cairo_save(cr_);
  cairo_identity_matrix(cr_);
  cairo_set_line_width(cr_, width);
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
  SetSourceColor(cr_, dc_.pen.color);
  cairo_stroke(cr_);
  cairo_restore(cr_);
}

// The current pen's width in device units. Pen widths are in drawing units; the scale is the
// geometric mean of the two axes so that an anisotropic fit keeps lines even. Below one device
// pixel a line would fade away (the reference platform draws such pens one pixel wide).
double Player::PenWidth() const {
  double dx = 1, dy = 0, ex = 0, ey = 1;
  cairo_user_to_device_distance(cr_, &dx, &dy);
  cairo_user_to_device_distance(cr_, &ex, &ey);
  double scale = std::sqrt(std::abs(dx * ey - dy * ex));
  return std::max(1.0, std::max(dc_.pen.width, 0) * scale);
}

LayoutFont& Player::Layout(const picture::LabelFont& font) {
  cairo_scaled_font_t* scaled = fonts_.ScaledFont(font);
  auto& slot = layouts_[scaled];
  if (!slot) {
    slot = std::make_unique<LayoutFont>(scaled, fonts_.PixelSize(font), fonts_.Ascent(font));
  }
  return *slot;
}

void Player::DrawText(const picture::Picture& picture, const picture::TextRec& text) {
  std::string_view bytes = picture.Text(text);
  if (bytes.empty()) return;
  LayoutFont& layout = Layout(dc_.font);
  if (!layout.ok()) return;
  if (raster_) raster_->Release();
  picture::TextExtent extent = fonts_.Measure(dc_.font, bytes);
  double x = text.at.x, y = text.at.y;
  double baseline = y + layout.ascent();

  if (dc_.bk_mode == picture::BkMode::kOpaque) {
    cairo_new_path(cr_);
    cairo_rectangle(cr_, x, y, extent.width, extent.height);
    SetSourceColor(cr_, dc_.bk_color);
    cairo_fill(cr_);
  }

  // Each character goes where the measured advances put it, so that a label drawn here takes
  // exactly the room it was measured (and centred) with. The characters are taken one by one
  // in CP932, which has no kerning or shaping to lose.
  std::vector<cairo_glyph_t> glyphs;
  double cursor = x;
  for (size_t i = 0; i < bytes.size();) {
    unsigned char lead = bytes[i];
    bool double_byte =
        ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) && i + 1 < bytes.size();
    std::string_view character = bytes.substr(i, double_byte ? 2 : 1);
    i += character.size();
    const LayoutFont::Character& c = layout.Lookup(character, fonts_, dc_.font);
    for (cairo_glyph_t g : c.glyphs) {
      g.x += cursor;
      g.y += baseline;
      glyphs.push_back(g);
    }
    cursor += c.advance;
  }

  cairo_save(cr_);
  cairo_set_font_face(cr_, cairo_scaled_font_get_font_face(layout.scaled()));
  cairo_set_font_size(cr_, layout.ppem());
  // The positions are already fixed at the reference size; at the drawing scale only the
  // outlines matter.
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_set_font_options(cr_, options);
  cairo_font_options_destroy(options);
  SetSourceColor(cr_, dc_.text_color);
  cairo_show_glyphs(cr_, glyphs.data(), static_cast<int>(glyphs.size()));

  double thickness = layout.line_thickness();
  if (dc_.font.style & picture::kUnderline) {
    cairo_rectangle(cr_, x, baseline + layout.underline_position() - thickness / 2, extent.width,
                    thickness);
    cairo_fill(cr_);
  }
  if (dc_.font.style & picture::kStrikeOut) {
    cairo_rectangle(cr_, x, baseline - layout.strike_position() - thickness / 2, extent.width,
                    thickness);
    cairo_fill(cr_);
  }
  cairo_restore(cr_);
}

cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

[[noreturn]] void Fail(const std::string& path, const char* reason) {
  throw base::ConversionError(path + " に書き込めません: " + reason);
}

void PaintWhiteAndRender(cairo_surface_t* surface, const picture::Picture& picture, int width,
                         int height, picture::FontLibrary& fonts) {
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  RenderPicture(picture, cr, width, height, fonts);
  cairo_destroy(cr);
}

}  // namespace

void RenderPicture(const picture::Picture& picture, cairo_t* cr, double target_width,
                   double target_height, picture::FontLibrary& fonts) {
  if (picture.width <= 0 || picture.height <= 0 || !(target_width > 0) || !(target_height > 0)) {
    return;
  }
  cairo_save(cr);
  cairo_scale(cr, target_width / picture.width, target_height / picture.height);
  std::unique_ptr<ImageRasterizer> raster = ImageRasterizer::For(cr);
  Player player(cr, fonts, raster.get());
  player.Play(picture);
  raster.reset();
  cairo_restore(cr);
}

std::string EncodeImage(const picture::Picture& picture, ImageFormat format, int width, int height,
                        picture::FontLibrary& fonts) {
  if (width <= 0 || height <= 0) {
    throw base::ConversionError("invalid image size");
  }
  std::string bytes;
  cairo_surface_t* surface = nullptr;
  switch (format) {
    case ImageFormat::kPng:
      // Opaque: the background is painted white, so no alpha channel is stored.
      surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
      break;
    case ImageFormat::kPdf:
      surface = cairo_pdf_surface_create_for_stream(AppendToString, &bytes, width, height);
      break;
  }
  cairo_status_t status = cairo_surface_status(surface);
  if (status == CAIRO_STATUS_SUCCESS) {
    PaintWhiteAndRender(surface, picture, width, height, fonts);
    if (format == ImageFormat::kPng) {
      cairo_surface_flush(surface);
      status = cairo_surface_status(surface);
      if (status == CAIRO_STATUS_SUCCESS) {
        try {
          bytes = EncodePng(surface);
        } catch (...) {
          cairo_surface_destroy(surface);
          throw;
        }
      }
    } else {
      // Finishing writes the rest of the document to the stream.
      cairo_surface_finish(surface);
      status = cairo_surface_status(surface);
    }
  }
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    throw base::ConversionError(std::string("cannot draw the image: ") +
                                cairo_status_to_string(status));
  }
  return bytes;
}

void StoreImage(const picture::Picture& picture, ImageFormat format, int width, int height,
                const std::string& path, picture::FontLibrary& fonts) {
  std::string bytes;
  try {
    bytes = EncodeImage(picture, format, width, height, fonts);
  } catch (const base::ConversionError& e) {
    Fail(path, e.what());
  }
  base::WriteFileAtomically(path, bytes);
}

}  // namespace sheetwright::output
