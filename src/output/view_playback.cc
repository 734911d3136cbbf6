#include "output/view_playback.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>
#include <utility>

#include "output/cairo_renderer.h"
#include "picture/font_library.h"

namespace sheetwright::output {
namespace {

using picture::Picture;
using picture::Record;

// The figures drawn between two checks for a newer request: a few milliseconds of drawing.
constexpr size_t kFiguresPerPiece = 2048;
// Antialiasing reaches a little past a figure's geometric edge.
constexpr double kEdgePixels = 2;

using Box = ViewBox;

Box Bounds(std::span<const picture::Point> points) {
  Box box{1e300, 1e300, -1e300, -1e300};
  for (const picture::Point& p : points) {
    box.x0 = std::min<double>(box.x0, p.x);
    box.x1 = std::max<double>(box.x1, p.x);
    box.y0 = std::min<double>(box.y0, p.y);
    box.y1 = std::max<double>(box.y1, p.y);
  }
  return box;
}

// The records that only select (pen, brush, font, text colour, background colour and mode), by
// their place in the Record variant: a player keeps the last of each kind and nothing else.
constexpr size_t kSettingKinds = 6;
bool IsSetting(const Record& record) { return record.index() < kSettingKinds; }

Picture EmptyLike(const Picture& picture) {
  Picture empty;
  empty.width = picture.width;
  empty.height = picture.height;
  empty.fonts = picture.fonts;  // font records keep their indices
  return empty;
}

// The sizes a culling decision needs from what a player has selected: the pen's width and the
// label font's em, in the units of the picture being walked (a layer starts with its parent's).
struct SelectedSizes {
  double pen_width = picture::PenRec{}.width;
  double em = 12;

  SelectedSizes Scaled(double by) const { return {pen_width * by, em * by}; }
};

// Copies records of a picture without the figures and labels that cannot touch `clip` (in the
// picture's units), so that a zoomed view does not stroke the whole sheet to show a corner of it.
// `units_per_pixel` sizes the margin that antialiasing and the one-pixel minimum pen need. Without
// a clip nothing is left out.
class Culler {
 public:
  explicit Culler(std::optional<Box> clip, double units_per_pixel)
      : clip_(clip), units_per_pixel_(units_per_pixel) {}

  // The same clip in the units of `layer`, a layer of `parent`; `by` is set to the scale.
  Culler ForLayer(const Picture& parent, const Picture& layer, double& by) const {
    double sx = static_cast<double>(layer.width) / parent.width;
    double sy = static_cast<double>(layer.height) / parent.height;
    by = std::max(sx, sy);
    if (!clip_) return Culler(std::nullopt, units_per_pixel_ * by);
    return Culler(Box{clip_->x0 * sx, clip_->y0 * sy, clip_->x1 * sx, clip_->y1 * sy},
                  units_per_pixel_ * by);
  }

  // Appends `record` (not a layer: the caller splits those) unless it cannot show.
  void Append(const Picture& from, const Record& record, SelectedSizes& sizes, Picture& to) const {
    auto touches = [&](const Box& bounds, double reach) {
      return !clip_ || bounds.Meets(clip_->Grown(reach + kEdgePixels * units_per_pixel_));
    };
    double half_pen = std::max(0.5 * sizes.pen_width, 0.5 * units_per_pixel_);
    auto copy_points = [&](uint32_t first, uint32_t count) {
      auto at = static_cast<uint32_t>(to.points.size());
      auto points = from.Points(first, count);
      to.points.insert(to.points.end(), points.begin(), points.end());
      return at;
    };
    std::visit(
        picture::Overloaded{
            [&](const picture::PenRec& r) {
              sizes.pen_width = r.style == picture::PenStyle::kNull ? 0 : r.width;
              to.records.push_back(record);
            },
            [&](const picture::FontRec& r) {
              // The em of a label font is at most its height either way (a positive height is
              // the whole cell); 0 is the default size.
              if (const picture::LabelFont* font = from.Font(r)) {
                sizes.em = font->height == 0 ? 12 : std::abs(static_cast<double>(font->height));
              }
              to.records.push_back(record);
            },
            [&](const picture::PolylineRec& r) {
              if (!from.HoldsPoints(r.first, r.count)) return;
              if (!touches(Bounds(from.Points(r.first, r.count)), half_pen)) return;
              to.records.emplace_back(picture::PolylineRec{copy_points(r.first, r.count), r.count});
            },
            [&](const picture::PolygonRec& r) {
              if (!from.HoldsPoints(r.first, r.count)) return;
              if (!touches(Bounds(from.Points(r.first, r.count)), half_pen)) return;
              to.records.emplace_back(picture::PolygonRec{copy_points(r.first, r.count), r.count});
            },
            [&](const picture::LineRec& r) {
              if (touches(Bounds(std::array{r.from, r.to}), half_pen)) to.records.push_back(record);
            },
            [&](const picture::TextRec& r) {
              if (!from.HoldsText(r)) return;
              // No character is wider than an em, not even a single-byte one, nor is the cell
              // with its underline taller than two; an em of room all round covers any overhang.
              Box bounds{r.at.x - sizes.em, r.at.y - sizes.em, r.at.x + (r.length + 1.0) * sizes.em,
                         r.at.y + 3 * sizes.em};
              if (!touches(bounds, 0)) return;
              auto at = static_cast<uint32_t>(to.text.size());
              to.text.append(from.Text(r));
              to.records.emplace_back(picture::TextRec{r.at, at, r.length});
            },
            [&](const picture::LayerRec&) {},
            [&](const auto&) { to.records.push_back(record); },
        },
        record);
  }

 private:
  std::optional<Box> clip_;
  double units_per_pixel_;
};

using PieceSink = std::function<void(Picture&&)>;

// Splits `picture` into pieces of at most kFiguresPerPiece figures each (a layer's figures into
// pieces of the layer), every piece a picture of its own that starts with the settings selected
// before it. A player keeps nothing else between records, so the pieces drawn in order give the
// pixels of one pass, and between them a render that a newer request made stale can stop.
// `sizes` is what the picture starts with (a layer, its parent's).
void SplitIntoPieces(const Picture& picture, const Culler& culler, SelectedSizes sizes,
                     const PieceSink& deliver, const std::function<bool()>& stale) {
  std::array<std::optional<Record>, kSettingKinds> selected;
  auto start_piece = [&] {
    Picture piece = EmptyLike(picture);
    for (const auto& setting : selected) {
      if (setting) piece.records.push_back(*setting);
    }
    return piece;
  };
  Picture piece = start_piece();
  size_t figures = 0, drawn = 0;
  auto finish_piece = [&] {
    if (drawn > 0) deliver(std::move(piece));
    piece = start_piece();
    figures = drawn = 0;
  };
  for (const Record& record : picture.records) {
    if (figures % 256 == 0 && stale()) return;
    if (const auto* r = std::get_if<picture::LayerRec>(&record)) {
      const Picture* layer = picture.Layer(*r);
      if (!layer || layer->width <= 0 || layer->height <= 0) continue;
      finish_piece();
      double by = 1;
      Culler inner = culler.ForLayer(picture, *layer, by);
      SplitIntoPieces(
          *layer, inner, sizes.Scaled(by),
          [&](Picture&& layer_piece) {
            Picture outer = start_piece();
            outer.records.emplace_back(picture::LayerRec{0});
            outer.layers.push_back(std::make_shared<const Picture>(std::move(layer_piece)));
            deliver(std::move(outer));
          },
          stale);
      continue;
    }
    size_t before = piece.records.size();
    culler.Append(picture, record, sizes, piece);
    if (IsSetting(record)) {
      selected[record.index()] = record;
      continue;
    }
    if (piece.records.size() > before) ++drawn;
    if (++figures >= kFiguresPerPiece) finish_piece();
  }
  finish_piece();
}

}  // namespace

bool RenderPictureView(const Picture& picture, cairo_t* cr, double target_width,
                       double target_height, std::optional<ViewBox> visible, double units_per_pixel,
                       picture::FontLibrary& fonts, const std::function<bool()>& abort) {
  Culler culler(visible, units_per_pixel);
  SplitIntoPieces(
      picture, culler, SelectedSizes{},
      [&](Picture&& piece) {
        if (!abort()) RenderPicture(piece, cr, target_width, target_height, fonts);
      },
      abort);
  return !abort();
}

}  // namespace sheetwright::output
