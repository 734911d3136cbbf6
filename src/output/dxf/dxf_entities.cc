#include "output/dxf/dxf_entities.h"

#include <array>
#include <cmath>
#include <tuple>

#include "base/encoding.h"
#include "output/dxf/dxf_colours.h"
#include "picture/font_library.h"

namespace sheetwright::output::dxf {
namespace {

// The origin groups (10, 20, 30) of an entity at 0, 0, 0.
constexpr std::string_view kOrigin = " 10\r\n0.0\r\n 20\r\n0.0\r\n 30\r\n0.0\r\n";

// Lineweights (hundredths of a millimetre) that release 2010 allows.
constexpr std::array<int, 24> kLineweights = {0,  5,   9,   13,  15,  18,  20,  25,
                                              30, 35,  40,  50,  53,  60,  70,  80,
                                              90, 100, 106, 120, 140, 158, 200, 211};

// Millimetres of paper per drawing unit on the page the other vector formats make: the 20000-unit
// frame on 800 points.
constexpr double kMmPerUnit = 800.0 / picture::kFrameWidth * 25.4 / 72;

// The standard lineweight nearest to a pen of `width` units on that page; a one-unit pen (the
// GDI hairline) is the thinnest, 0.
int Lineweight(double width) {
  if (width <= 1) return 0;
  double hundredths = width * kMmPerUnit * 100;
  int best = kLineweights[0];
  for (int lw : kLineweights) {
    if (std::abs(lw - hundredths) < std::abs(best - hundredths)) best = lw;
  }
  return best;
}

// A label's bytes as the file holds text: release 12 keeps the Shift_JIS bytes, release 2010
// takes UTF-8. A control character would end the value's line: it becomes a blank.
std::string TextValue(std::string_view bytes, bool modern) {
  std::string text = modern ? base::Cp932ToUtf8(bytes) : std::string(bytes);
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  return text;
}

}  // namespace

void Entities::Sheet(const picture::Picture& sheet,
                     const std::function<int(const picture::Picture&)>& layer_of, double east_m,
                     double north_m) {
  if (sheet.width <= 0 || sheet.height <= 0) return;
  east_m_ = east_m;
  north_m_ = north_m;
  // A sheet placed on the 0.1 m steps keeps its points written exactly.
  east_tenths_ = std::llround(east_m * picture::kUnitsPerMetre);
  north_tenths_ = std::llround(north_m * picture::kUnitsPerMetre);
  origin_in_tenths_ = std::abs(east_m) < 1e12 && std::abs(north_m) < 1e12 &&
                      static_cast<double>(east_tenths_) == east_m * picture::kUnitsPerMetre &&
                      static_cast<double>(north_tenths_) == north_m * picture::kUnitsPerMetre;
  layer_of_ = &layer_of;
  layer_ = layer_of(sheet);
  scale_ = {static_cast<double>(picture::kFrameWidth) / sheet.width,
            static_cast<double>(picture::kFrameHeight) / sheet.height};
  Play(sheet, *this);
}

void Entities::Polyline(std::span<const picture::Point> points, const picture::DcState& dc) {
  if (dc.pen.style != picture::PenStyle::kNull) Lines(points, false, dc.pen.color, dc.pen.width);
}

void Entities::Line(picture::Point from, picture::Point to, const picture::DcState& dc) {
  picture::Point line[] = {from, to};
  Polyline(line, dc);
}

// What a layer selects ends with it, as its CAD layer does.
void Entities::EnterLayer(const LayerFrame& frame) {
  saved_.emplace_back(layer_, scale_);
  if (int own = (*layer_of_)(frame.layer); own >= 0) layer_ = own;
  scale_ = {scale_.x * frame.outer.width / frame.layer.width,
            scale_.y * frame.outer.height / frame.layer.height};
}

void Entities::LeaveLayer(const LayerFrame&) {
  std::tie(layer_, scale_) = saved_.back();
  saved_.pop_back();
}

// A point of the picture in metres; a picture at the frame's own scale has its points on the
// 0.1 m steps, which are written exactly as such.
void Entities::Vertex(double x, double y, int code) {
  constexpr double kExact = 1e15;  // integers that doubles hold exactly, with room
  if (scale_.x == 1 && scale_.y == 1 && origin_in_tenths_ && std::abs(x) < kExact &&
      std::abs(y) < kExact) {
    auto east = static_cast<int64_t>(x), south = static_cast<int64_t>(y);
    if (x == static_cast<double>(east) && y == static_cast<double>(south)) {
      out_.TenthsPoint(code, east_tenths_ + east, north_tenths_ + picture::kFrameHeight - south);
      return;
    }
  }
  out_.Point(East(x), North(y), code);
}

// The start of an entity up to its subclass: layer, colour index and, in release 2010, handle,
// owner, true colour and lineweight (-4: none given).
void Entities::Head(const char* type, picture::ColorValue colour, const char* subclass,
                    int lineweight) {
  picture::Rgb rgb = picture::ResolveColor(colour);
  out_.Text(0, type);
  if (Modern()) {
    out_.Handle(5, next_handle_++);
    out_.Handle(330, kModelSpaceRecord);
    out_.Text(100, "AcDbEntity");
  }
  // Entities come in runs of one layer and colour: their groups are written as one run, made
  // again only when either changes (the palette search is not cheap either).
  const std::string_view kind(type);
  const bool fill = kind == "SOLID" || kind == "HATCH";
  const bool new_colour = !(rgb == last_rgb_) || fill != last_fill_ || last_aci_ == 0;
  if (new_colour || layer_ != colour_layer_) {
    if (new_colour) last_aci_ = ColourIndex(rgb, fill);
    last_rgb_ = rgb;
    last_fill_ = fill;
    colour_layer_ = layer_;
    std::string layer = layer_ >= 0 ? info_.layers[layer_].name : "0";
    layer_colour_ = "  8\r\n" + layer + "\r\n 62\r\n" + std::to_string(last_aci_) + "\r\n";
    if (Modern()) layer_colour_ += "420\r\n" + std::to_string(TrueColour(rgb)) + "\r\n";
  }
  out_.Lines(layer_colour_);
  if (Modern()) {
    if (lineweight != -4) out_.Int(370, lineweight);
    out_.Text(100, subclass);
  }
}

int Entities::ColourIndex(picture::Rgb rgb, bool fill) {
  auto [known, added] = colour_indexes_.try_emplace(TrueColour(rgb) | (fill ? 1 << 24 : 0), 0);
  if (!added) return known->second;
  if (fill) return known->second = NearestAci(rgb);
  std::bitset<256> avoid = fill_indexes_;
  // A fill's own colour keeps its index: the outline of the area.
  for (picture::Rgb colour : info_.fills) {
    if (colour == rgb) avoid.reset(static_cast<size_t>(NearestAci(rgb)));
  }
  return known->second = NearestAci(rgb, avoid);
}

// The pen's width is drawn on the map, as the drawing does, as the polyline's constant width; the
// one-unit hairline stays the thinnest line. Release 2010 adds the lineweight for plotting. Pens
// come in runs: their groups are made again only when the width changes.
void Entities::PenWidth(int32_t pen_width) {
  double width = std::max(pen_width, 0) * std::sqrt(scale_.x * scale_.y);
  if (width == width_) return;
  width_ = width;
  lineweight_ = Lineweight(width);
  width_m_ = width <= 1 ? 0 : width / picture::kUnitsPerMetre;
  width_lines_.clear();
  if (width_m_ > 0) {
    std::string value = GroupWriter::RealText(width_m_);
    width_lines_ =
        Modern() ? " 43\r\n" + value + "\r\n" : " 40\r\n" + value + "\r\n 41\r\n" + value + "\r\n";
  }
}

void Entities::Lines(std::span<const picture::Point> points, bool closed,
                     picture::ColorValue colour, int32_t pen_width) {
  PenWidth(pen_width);
  if (Modern()) {
    Head("LWPOLYLINE", colour, "AcDbPolyline", lineweight_);
    out_.Int(90, points.size());
    out_.Int(70, closed ? 1 : 0);
    if (width_m_ > 0) out_.Lines(width_lines_);
    for (const picture::Point& p : points) Vertex(p.x, p.y);
    return;
  }
  if (points.size() == 2 && width_m_ == 0 && !closed) {
    Head("LINE", colour, "AcDbLine");
    Vertex(points[0].x, points[0].y);
    Vertex(points[1].x, points[1].y, 11);
    return;
  }
  Head("POLYLINE", colour, "");
  out_.Int(66, 1);
  out_.Lines(kOrigin);
  out_.Int(70, closed ? 1 : 0);
  if (width_m_ > 0) out_.Lines(width_lines_);
  // Every vertex starts with the same groups: written as one run, made once per layer.
  if (vertex_head_layer_ != layer_ || vertex_head_.empty()) {
    vertex_head_layer_ = layer_;
    vertex_head_ = "  0\r\nVERTEX\r\n  8\r\n";
    vertex_head_ += layer_ >= 0 ? std::string_view(info_.layers[layer_].name) : "0";
    vertex_head_ += "\r\n";
  }
  for (const picture::Point& p : points) {
    out_.Lines(vertex_head_);
    Vertex(p.x, p.y);
  }
  out_.Text(0, "SEQEND");
  out_.Text(8, layer_ >= 0 ? std::string_view(info_.layers[layer_].name) : "0");
}

// The area of the rings under the even-odd rule, then each ring's outline in the pen or, when the
// pen draws nothing, as a hairline of the fill's colour: a CAD snaps to polylines, not to the
// boundaries of triangles or hatches.
void Entities::Fill(std::span<const picture::Point> points, const picture::DcState& dc) {
  bool solid = dc.brush.style == picture::BrushStyle::kSolid;
  bool pen = dc.pen.style != picture::PenStyle::kNull;
  if (!solid && !pen) return;
  std::vector<std::span<const picture::Point>> rings = SplitRings(points);
  if (solid) {
    if (Modern()) {
      Hatch(rings, dc);
    } else {
      triangles_.clear();
      if (!TriangulateEvenOdd(rings, triangles_)) {
        std::string limit = std::to_string(kMaxCrossings);
        sink_.Show(
            "辺の交差が " + limit +
            " を超える塗りつぶしを DXF (R12) では輪郭だけにしました (a fill whose edges cross "
            "more than " +
            limit + " times keeps only its outline in the release 12 DXF)");
      }
      for (const Triangle& t : triangles_) {
        Head("SOLID", dc.brush.color, "AcDbTrace");
        // A SOLID's third and fourth corners are crossed: a triangle repeats its last corner.
        Vertex(t[0].x, t[0].y, 10);
        Vertex(t[1].x, t[1].y, 11);
        Vertex(t[2].x, t[2].y, 12);
        Vertex(t[2].x, t[2].y, 13);
      }
    }
  }
  picture::ColorValue colour = pen ? dc.pen.color : dc.brush.color;
  int32_t width = pen ? dc.pen.width : 1;
  for (std::span<const picture::Point> ring : rings) {
    Lines(ring, ring.size() > 2, colour, width);
  }
}

// A solid hatch with one polyline boundary path per ring; odd parity keeps the holes open.
void Entities::Hatch(std::vector<std::span<const picture::Point>> rings,
                     const picture::DcState& dc) {
  std::erase_if(rings, [](std::span<const picture::Point> ring) { return ring.size() < 3; });
  if (rings.empty()) return;
  Head("HATCH", dc.brush.color, "AcDbHatch");
  out_.Lines(kOrigin);
  out_.Real(210, 0);
  out_.Real(220, 0);
  out_.Real(230, 1);
  out_.Text(2, "SOLID");
  out_.Int(70, 1);
  out_.Int(71, 0);
  out_.Int(91, rings.size());
  for (size_t i = 0; i < rings.size(); ++i) {
    out_.Int(92, i == 0 ? 3 : 2);  // polyline paths, the first the outer one
    out_.Int(72, 0);
    out_.Int(73, 1);
    out_.Int(93, rings[i].size());
    for (const picture::Point& p : rings[i]) Vertex(p.x, p.y);
    out_.Int(97, 0);
  }
  out_.Int(75, 0);
  out_.Int(76, 1);
  out_.Int(98, 0);
}

void Entities::Text(picture::Point at, std::string_view bytes, const picture::DcState& dc) {
  std::string text = TextValue(bytes, Modern());
  if (text.empty()) return;
  const picture::LabelFont& font = dc.font;
  double em = fonts_.PixelSize(font) * scale_.y;
  double ascent = fonts_.Ascent(font);
  if (!(em > 0) || !std::isfinite(em)) return;
  if (!std::isfinite(ascent)) ascent = 0;
  const CadStyle* style = nullptr;
  for (const CadStyle& s : info_.styles) {
    if (s.family == font.face_name) style = &s;
  }
  Head("TEXT", dc.text_color, "AcDbText");
  // The baseline lies the face's ascent below the top-left corner the drawing gives.
  Vertex(at.x, at.y + ascent);
  out_.Real(30, 0);
  out_.Real(40, em / picture::kUnitsPerMetre);
  out_.Text(1, text);
  if (font.style & picture::kItalic) out_.Real(51, 15);
  out_.Text(7, style != nullptr ? std::string_view(style->name) : "STANDARD");
  if (Modern()) out_.Text(100, "AcDbText");
}

}  // namespace sheetwright::output::dxf
