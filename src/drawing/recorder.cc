#include "drawing/recorder.h"

#include <utility>

namespace sheetwright::drawing {

void Recorder::SetPen(PenStyle style, int32_t width, ColorValue color) {
  picture_.records.emplace_back(PenRec{style, width, color});
}

void Recorder::SetBrush(BrushStyle style, ColorValue color) {
  picture_.records.emplace_back(BrushRec{style, color});
  if (style == BrushStyle::kSolid) {
    picture_.records.emplace_back(BkModeRec{BkMode::kOpaque});
    picture_.records.emplace_back(BkColorRec{color});
  } else {
    picture_.records.emplace_back(BkModeRec{BkMode::kTransparent});
  }
}

void Recorder::SetFont(const LabelFont& font) {
  picture_.records.emplace_back(FontRec{font});
  picture_.records.emplace_back(TextColorRec{font.color});
}

void Recorder::Polyline(std::span<const Point> points) {
  auto first = static_cast<uint32_t>(picture_.points.size());
  picture_.points.insert(picture_.points.end(), points.begin(), points.end());
  picture_.records.emplace_back(PolylineRec{first, static_cast<uint32_t>(points.size())});
}

void Recorder::Polygon(std::span<const Point> points) {
  auto first = static_cast<uint32_t>(picture_.points.size());
  picture_.points.insert(picture_.points.end(), points.begin(), points.end());
  picture_.records.emplace_back(PolygonRec{first, static_cast<uint32_t>(points.size())});
}

void Recorder::Line(Point from, Point to) { picture_.records.emplace_back(LineRec{from, to}); }

void Recorder::Text(Point at, std::string_view bytes) {
  auto first = static_cast<uint32_t>(picture_.text.size());
  picture_.text.append(bytes);
  picture_.records.emplace_back(TextRec{at, first, static_cast<uint32_t>(bytes.size())});
}

void Recorder::Layer(std::shared_ptr<const Picture> layer) {
  picture_.records.emplace_back(LayerRec{std::move(layer)});
}

}  // namespace sheetwright::drawing
