// Running a drawer in a test: a context that collects messages and counts progress steps, tables
// built from text, and readers that pull the figures and texts out of a recorded picture.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "base/common_test_util.h"
#include "drawers/layer_state.h"
#include "mapdata/arc_table.h"
#include "mapdata/record_lines.h"
#include "mapdata/record_tables.h"
#include "picture/fixed_metrics_test_util.h"
#include "picture/picture.h"

namespace sheetwright::drawers::test_util {

using sheetwright::test_util::CollectingSink;

class CountingProgress : public base::ProgressHook {
 public:
  void Step() override { ++steps; }
  int steps = 0;
};

// A drawing context with a layer code and style, collecting what the drawer reports. Label
// layers measure with 10 units per byte and a 20-unit cell unless a test sets other metrics.
struct DrawerFixture {
  CollectingSink sink;
  CountingProgress progress;
  picture::test_util::FixedMetrics metrics{10, 20};
  DrawContext ctx{LayerState{}, VertexBuffer{}, sink, &progress, &metrics, ArcPointCache{}};

  explicit DrawerFixture(std::string layer_code, picture::ColorValue color = 0x0000FF,
                         int32_t pen = 40) {
    ctx.state.layer_code = std::move(layer_code);
    ctx.state.color = color;
    ctx.state.pen_width = pen;
  }
};

inline std::shared_ptr<const mapdata::FileText> FileOf(std::string text) {
  return std::make_shared<const mapdata::FileText>(std::move(text), "test");
}

inline mapdata::ArcTable ArcTableOf(std::string text) {
  base::NullMessageSink sink;
  mapdata::ArcTable table;
  table.Load(FileOf(std::move(text)), sink);
  return table;
}

inline mapdata::PolyTable PolyTableOf(std::string text) {
  base::NullMessageSink sink;
  mapdata::PolyTable table;
  table.LoadPolygons(FileOf(std::move(text)), sink);
  return table;
}

inline mapdata::PolyTable PointTableOf(std::string text) {
  base::NullMessageSink sink;
  mapdata::PolyTable table;
  table.LoadPoints(FileOf(std::move(text)), sink);
  return table;
}

inline mapdata::AttributeTable AttributeTableOf(std::string text) {
  base::NullMessageSink sink;
  mapdata::AttributeTable table;
  table.Load(FileOf(std::move(text)), sink);
  return table;
}

// Points as pairs, which gtest prints readably.
using Xy = std::pair<int32_t, int32_t>;
using Figure = std::vector<Xy>;

// The point lists of every polyline (or polygon) record, in drawing order.
template <class Rec>
std::vector<Figure> FiguresOf(const picture::Picture& picture) {
  std::vector<Figure> figures;
  for (const picture::Record& record : picture.records) {
    if (const auto* r = std::get_if<Rec>(&record)) {
      Figure& figure = figures.emplace_back();
      for (picture::Point p : picture.Points(r->first, r->count)) figure.emplace_back(p.x, p.y);
    }
  }
  return figures;
}
inline std::vector<Figure> Polylines(const picture::Picture& p) {
  return FiguresOf<picture::PolylineRec>(p);
}
inline std::vector<Figure> Polygons(const picture::Picture& p) {
  return FiguresOf<picture::PolygonRec>(p);
}

struct Label {
  Xy at;
  std::string bytes;
  bool operator==(const Label&) const = default;
};

inline std::vector<Label> Labels(const picture::Picture& picture) {
  std::vector<Label> labels;
  for (const picture::Record& record : picture.records) {
    if (const auto* t = std::get_if<picture::TextRec>(&record)) {
      labels.push_back({{t->at.x, t->at.y}, std::string(picture.Text(*t))});
    }
  }
  return labels;
}

// The first record of a type, or nullptr.
template <class Rec>
const Rec* FirstOf(const picture::Picture& picture) {
  for (const picture::Record& record : picture.records) {
    if (const auto* r = std::get_if<Rec>(&record)) return r;
  }
  return nullptr;
}

inline void PrintTo(const Label& l, std::ostream* os) {
  *os << "\"" << l.bytes << "\" at (" << l.at.first << ", " << l.at.second << ")";
}
}  // namespace sheetwright::drawers::test_util
