#include "output/playback.h"

namespace sheetwright::output::playback_internal {
namespace {

ViewBox Bounds(std::span<const picture::Point> points) {
  ViewBox box{1e300, 1e300, -1e300, -1e300};
  for (const picture::Point& p : points) {
    box.x0 = std::min<double>(box.x0, p.x);
    box.x1 = std::max<double>(box.x1, p.x);
    box.y0 = std::min<double>(box.y0, p.y);
    box.y1 = std::max<double>(box.y1, p.y);
  }
  return box;
}

}  // namespace

// The same clip in the units of `layer`; the sizes scaled by the larger of the two axes' scales.
Cull Cull::ForLayer(const picture::Picture& parent, const picture::Picture& layer) const {
  double sx = static_cast<double>(layer.width) / parent.width;
  double sy = static_cast<double>(layer.height) / parent.height;
  double by = std::max(sx, sy);
  Cull inner{std::nullopt, units_per_pixel * by, pen_width * by, em * by};
  if (clip) inner.clip = ViewBox{clip->x0 * sx, clip->y0 * sy, clip->x1 * sx, clip->y1 * sy};
  return inner;
}

// The em of a label font is at most its height either way (a positive height is the whole
// cell); 0 is the default size.
void Cull::Select(const picture::LabelFont& font) {
  em = font.height == 0 ? 12 : std::abs(static_cast<double>(font.height));
}

bool Cull::Shows(std::span<const picture::Point> points) const {
  if (!clip) return true;
  double half_pen = std::max(0.5 * pen_width, 0.5 * units_per_pixel);
  return Bounds(points).Meets(clip->Grown(half_pen + kEdgePixels * units_per_pixel));
}

// No character is wider than an em, not even a single-byte one, nor is the cell with its
// underline taller than two; an em of room all round covers any overhang.
bool Cull::Shows(const picture::TextRec& r) const {
  if (!clip) return true;
  ViewBox bounds{r.at.x - em, r.at.y - em, r.at.x + (r.length + 1.0) * em, r.at.y + 3 * em};
  return bounds.Meets(clip->Grown(kEdgePixels * units_per_pixel));
}

}  // namespace sheetwright::output::playback_internal
