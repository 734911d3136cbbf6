#include "ui/map_overview.h"

#include <algorithm>
#include <cmath>

namespace sheetwright::ui {
namespace {

using picture::Picture;
using picture::Point;

// Sheet units to overview units: scaled by `factor`, then moved by (dx, dy).
struct Transform {
  double factor = 1, dx = 0, dy = 0;
  Point operator()(Point p) const {
    return {static_cast<int32_t>(std::lround(p.x * factor + dx)),
            static_cast<int32_t>(std::lround(p.y * factor + dy))};
  }
  int32_t Width(int32_t width) const {
    if (width <= 0) return width;
    return std::max<int32_t>(1, static_cast<int32_t>(std::lround(width * factor)));
  }
};

Picture Transformed(const Picture& in, const Transform& at);

// Appends the records of `in` to `out`, each figure's points, text and font moved to `out`'s
// buffers, and each layer as a transformed layer of `out`.
void Append(Picture& out, const Picture& in, const Transform& at) {
  auto font_base = static_cast<uint32_t>(out.fonts.size());
  for (picture::LabelFont font : in.fonts) {
    int32_t height =
        std::max<int32_t>(1, static_cast<int32_t>(std::lround(std::abs(font.height) * at.factor)));
    font.height = font.height < 0 ? -height : height;
    out.fonts.push_back(font);
  }
  auto layer_base = static_cast<uint32_t>(out.layers.size());
  for (const auto& layer : in.layers) {
    out.layers.push_back(layer ? std::make_shared<Picture>(Transformed(*layer, at)) : nullptr);
  }
  // A figure's points; one that lands on the point before it adds nothing at this reduction.
  auto figure = [&](std::span<const Point> points) {
    auto first = static_cast<uint32_t>(out.points.size());
    for (const Point& p : points) {
      Point moved = at(p);
      if (out.points.size() > first && out.points.back() == moved) continue;
      out.points.push_back(moved);
    }
    return std::pair{first, static_cast<uint32_t>(out.points.size() - first)};
  };
  // A polyline or polygon record over its points copied so; a damaged one stays empty.
  auto figure_record = [&]<class Figure>(Figure r) {
    if (!in.HoldsPoints(r.first, r.count)) return Figure{};
    auto [first, count] = figure(in.Points(r.first, r.count));
    return Figure{first, count};
  };
  for (const picture::Record& record : in.records) {
    out.records.push_back(
        std::visit(picture::Overloaded{
                       [&](picture::PenRec r) -> picture::Record {
                         r.width = at.Width(r.width);
                         return r;
                       },
                       [&](picture::FontRec r) -> picture::Record {
                         r.index += font_base;
                         return r;
                       },
                       [&](picture::PolylineRec r) -> picture::Record { return figure_record(r); },
                       [&](picture::PolygonRec r) -> picture::Record { return figure_record(r); },
                       [&](picture::LineRec r) -> picture::Record {
                         return picture::LineRec{at(r.from), at(r.to)};
                       },
                       [&](picture::TextRec r) -> picture::Record {
                         if (!in.HoldsText(r)) return picture::TextRec{};
                         auto first = static_cast<uint32_t>(out.text.size());
                         out.text += in.Text(r);
                         return picture::TextRec{at(r.at), first, r.length};
                       },
                       [&](picture::LayerRec r) -> picture::Record {
                         r.index += layer_base;
                         return r;
                       },
                       [](auto r) -> picture::Record { return r; },
                   },
                   record));
  }
}

Picture Transformed(const Picture& in, const Transform& at) {
  Picture out;
  out.id = in.id;
  out.label = in.label;
  Append(out, in, at);
  return out;
}

}  // namespace

Picture MapOverview(const std::vector<PlacedPicture>& sheets) {
  Picture overview;
  if (sheets.empty()) return overview;
  output::GroundBox map = sheets.front().ground;
  for (const PlacedPicture& sheet : sheets) {
    map.west = std::min(map.west, sheet.ground.west);
    map.south = std::min(map.south, sheet.ground.south);
    map.east = std::max(map.east, sheet.ground.east);
    map.north = std::max(map.north, sheet.ground.north);
  }
  constexpr double kUnits = picture::kUnitsPerMetre;
  double factor = std::min(picture::kFrameWidth / (map.Width() * kUnits),
                           picture::kFrameHeight / (map.Height() * kUnits));
  double margin_x = (picture::kFrameWidth - map.Width() * kUnits * factor) / 2;
  double margin_y = (picture::kFrameHeight - map.Height() * kUnits * factor) / 2;
  Picture empty;
  for (const PlacedPicture& sheet : sheets) {
    Transform at{factor / sheet.reduced,
                 (sheet.ground.west - map.west) * kUnits * factor + margin_x,
                 (map.north - sheet.ground.north) * kUnits * factor + margin_y};
    Append(overview, sheet.sheet ? *sheet.sheet : empty, at);
  }
  return overview;
}

Picture Reduced(const Picture& sheet, double factor) { return Transformed(sheet, {factor, 0, 0}); }

// n sheets cover at least ceil(sqrt(n)) sheets across or down, and the overview fits that many
// into one frame.
double PreReduction(int sheets) {
  return 1.0 / std::max(1.0, std::ceil(std::sqrt(static_cast<double>(sheets))));
}

}  // namespace sheetwright::ui
