// Builds pictures record by record for the tests of the backends that play them, the way the
// drawers' recordings look, without going through the recorder's coupled records.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>

#include "base/encoding.h"
#include "picture/picture.h"

namespace sheetwright::picture {

struct Builder {
  Picture p;
  Builder(int32_t w, int32_t h) { p.width = w, p.height = h; }
  Builder& Add(Record r) { return p.records.push_back(r), *this; }
  Builder& Pen(ColorValue c, int32_t w = 1, PenStyle s = PenStyle::kSolid) {
    return Add(PenRec{s, w, c});
  }
  Builder& Brush(ColorValue c, BrushStyle s = BrushStyle::kSolid) { return Add(BrushRec{s, c}); }
  Builder& Back(BkMode mode, ColorValue c = 0xFFFFFF) {
    return Add(BkModeRec{mode}).Add(BkColorRec{c});
  }
  Builder& Font(const LabelFont& f) {
    p.fonts.push_back(f);
    return Add(FontRec{static_cast<uint32_t>(p.fonts.size() - 1)}).Add(TextColorRec{f.color});
  }
  Builder& Layer(const Picture& layer) {
    p.layers.push_back(std::make_shared<const Picture>(layer));
    return Add(LayerRec{static_cast<uint32_t>(p.layers.size() - 1)});
  }
  uint32_t Append(std::initializer_list<Point> pts) {
    p.points.insert(p.points.end(), pts);
    return static_cast<uint32_t>(p.points.size() - pts.size());
  }
  Builder& Polygon(std::initializer_list<Point> pts) {
    return Add(PolygonRec{Append(pts), static_cast<uint32_t>(pts.size())});
  }
  Builder& Polyline(std::initializer_list<Point> pts) {
    return Add(PolylineRec{Append(pts), static_cast<uint32_t>(pts.size())});
  }
  Builder& Line(Point a, Point b) { return Add(LineRec{a, b}); }
  Builder& Text(Point at, const char* utf8) { return Cp932Text(at, base::Utf8ToCp932(utf8)); }
  Builder& Cp932Text(Point at, const std::string& bytes) {
    Add(TextRec{at, static_cast<uint32_t>(p.text.size()), static_cast<uint32_t>(bytes.size())});
    p.text += bytes;
    return *this;
  }
};

inline LabelFont Label(int32_t height, ColorValue color, uint8_t style = 0,
                       const char* face = "ＭＳ Ｐゴシック") {
  LabelFont f;
  f.face_name = face, f.height = height, f.color = color, f.style = style;
  return f;
}

}  // namespace sheetwright::picture
