#include "conversion/mosaic_joins.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string_view>

namespace sheetwright::conversion {
namespace {

// The cell of the label grid, a reach wide, that holds a place, keyed with the hash of the
// label's bytes.
uint64_t LabelCell(uint64_t text, double east, double north) {
  auto cell = [](double metres) {
    return static_cast<uint64_t>(std::llround(metres / kEdgeLabelMetres));
  };
  uint64_t key = text;
  for (uint64_t part : {cell(east), cell(north)}) key = (key ^ part) * 0x100000001B3ULL;
  return key;
}

}  // namespace

std::array<bool, 4> SheetJoins::SharedEdges(const output::GroundBox& sheet) const {
  std::array<bool, 4> shared{};
  for (const output::GroundBox& g : grounds_) {
    bool beside_ns = g.south < sheet.north && sheet.south < g.north;
    bool beside_ew = g.west < sheet.east && sheet.west < g.east;
    shared[0] |= beside_ns && g.east == sheet.west;
    shared[1] |= beside_ns && g.west == sheet.east;
    shared[2] |= beside_ew && g.south == sheet.north;
    shared[3] |= beside_ew && g.north == sheet.south;
  }
  return shared;
}

void SheetJoins::Join(picture::Picture& sheet, const output::GroundBox& ground, int32_t bleed) {
  ground_ = ground;
  bleed_ = bleed;
  shared_ = SharedEdges(ground);
  Trim(sheet, 1, 1);
  grounds_.push_back(ground);
  for (const auto& [key, label] : sheet_labels_) edge_labels_.emplace(key, label);
  sheet_labels_.clear();
}

bool SheetJoins::Trim(picture::Picture& picture, double sx, double sy) {
  // A line wholly on one of the shared edges.
  auto on_edge = [&](std::span<const picture::Point> points) {
    if (points.empty()) return false;
    auto all = [&](auto on) { return std::all_of(points.begin(), points.end(), on); };
    return (shared_[0] && all([&](auto p) { return p.x * sx == 0; })) ||
           (shared_[1] && all([&](auto p) { return p.x * sx == picture::kFrameWidth; })) ||
           (shared_[2] && all([&](auto p) { return p.y * sy == 0; })) ||
           (shared_[3] && all([&](auto p) { return p.y * sy == picture::kFrameHeight; }));
  };
  // A fill's corners on a shared edge moved out over it.
  bool moved = false;
  auto bleed = [&](const picture::PolygonRec& r) {
    if (bleed_ == 0 || !picture.HoldsPoints(r.first, r.count)) return;
    auto out = [&](int32_t& v, double scale, int32_t edge, int32_t step) {
      if (v * scale == edge) {
        v = static_cast<int32_t>(std::lround((edge + step) / scale));
        moved = true;
      }
    };
    for (picture::Point& p : std::span(picture.points).subspan(r.first, r.count)) {
      if (shared_[0]) out(p.x, sx, 0, -bleed_);
      if (shared_[1]) out(p.x, sx, picture::kFrameWidth, bleed_);
      if (shared_[2]) out(p.y, sy, 0, -bleed_);
      if (shared_[3]) out(p.y, sy, picture::kFrameHeight, bleed_);
    }
  };
  std::vector<bool> trimmed_layer(picture.layers.size());
  size_t kept = 0;
  for (const picture::Record& record : picture.records) {
    bool drop = std::visit(
        picture::Overloaded{[&](const picture::PolylineRec& r) {
                              return picture.HoldsPoints(r.first, r.count) &&
                                     on_edge(picture.Points(r.first, r.count));
                            },
                            [&](const picture::LineRec& r) {
                              picture::Point line[] = {r.from, r.to};
                              return on_edge(line);
                            },
                            [&](const picture::PolygonRec& r) {
                              bleed(r);
                              return false;
                            },
                            [&](const picture::TextRec& r) {
                              return picture.HoldsText(r) &&
                                     RepeatedLabel(r.at.x * sx, r.at.y * sy, picture.Text(r));
                            },
                            [&](const picture::LayerRec& r) {
                              const picture::Picture* layer = picture.Layer(r);
                              if (layer && !trimmed_layer[r.index] && layer->width > 0 &&
                                  layer->height > 0) {
                                trimmed_layer[r.index] = true;
                                auto copy = std::make_shared<picture::Picture>(*layer);
                                if (Trim(*copy, sx * picture.width / layer->width,
                                         sy * picture.height / layer->height)) {
                                  picture.layers[r.index] = std::move(copy);
                                }
                              }
                              return false;
                            },
                            [](const auto&) { return false; }},
        record);
    if (!drop) picture.records[kept++] = record;
  }
  bool lost = kept < picture.records.size();
  picture.records.resize(kept);
  return lost || moved;
}

// A label near the sheet's edge that another sheet drew near its own, a short way off.
bool SheetJoins::RepeatedLabel(double x, double y, std::string_view bytes) {
  const output::GroundBox& sheet = ground_;
  double east = sheet.west + x * sheet.Width() / picture::kFrameWidth;
  double north = sheet.north - y * sheet.Height() / picture::kFrameHeight;
  double reach = kEdgeLabelMetres;
  if (east - sheet.west > reach && sheet.east - east > reach && north - sheet.south > reach &&
      sheet.north - north > reach) {
    return false;
  }
  uint64_t text = std::hash<std::string_view>{}(bytes);
  for (double de : {-reach, 0.0, reach}) {
    for (double dn : {-reach, 0.0, reach}) {
      auto [first, last] = edge_labels_.equal_range(LabelCell(text, east + de, north + dn));
      for (auto it = first; it != last; ++it) {
        const EdgeLabel& other = it->second;
        if (other.text == text && std::hypot(other.east - east, other.north - north) <= reach) {
          return true;
        }
      }
    }
  }
  sheet_labels_.emplace_back(LabelCell(text, east, north), EdgeLabel{east, north, text});
  return false;
}

}  // namespace sheetwright::conversion
