#include "picture/recorder.h"

#include <string>
#include <utility>

#include "base/messages.h"

namespace sheetwright::picture {
namespace {

// No real layer comes near this (it is 512 MB of points); data that references the same long
// arcs over and over could otherwise take all the memory there is.
constexpr size_t kMaxPicturePoints = size_t{1} << 26;

void CheckRoom(const Picture& picture, size_t more) {
  if (picture.points.size() + more > kMaxPicturePoints) {
    throw base::ConversionError("レイヤーの点の数が多すぎます (" +
                                std::to_string(kMaxPicturePoints) + " 点まで)");
  }
}

}  // namespace

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
  picture_.records.emplace_back(FontRec{static_cast<uint32_t>(picture_.fonts.size())});
  picture_.fonts.push_back(font);
  picture_.records.emplace_back(TextColorRec{font.color});
}

void Recorder::Polyline(std::span<const Point> points) {
  CheckRoom(picture_, points.size());
  auto first = static_cast<uint32_t>(picture_.points.size());
  picture_.points.insert(picture_.points.end(), points.begin(), points.end());
  picture_.records.emplace_back(PolylineRec{first, static_cast<uint32_t>(points.size())});
}

void Recorder::Polygon(std::span<const Point> points) {
  CheckRoom(picture_, points.size());
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
  picture_.records.emplace_back(LayerRec{static_cast<uint32_t>(picture_.layers.size())});
  picture_.layers.push_back(std::move(layer));
}

}  // namespace sheetwright::picture
