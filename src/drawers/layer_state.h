// What the conversion sets before each drawer call and the drawers read, plus the working objects
// one conversion owns (vertex buffer, message sink, progress hook, text metrics).
#pragma once

#include <string>

#include "base/messages.h"
#include "drawers/arc_points.h"
#include "drawers/geometry.h"
#include "picture/label_font.h"
#include "picture/text_metrics.h"

namespace sheetwright::drawers {

struct LayerState {
  std::string layer_code;         // record filter: the first characters of the lines drawn
  picture::ColorValue color = 0;  // pen colour of line drawers, fill colour of the fill drawer
  int32_t pen_width = 1;          // drawing units
  picture::LabelFont font;        // label drawers
};

struct DrawContext {
  LayerState state;
  VertexBuffer vertices;
  base::MessageSink& sink;
  base::ProgressHook* progress = nullptr;   // stepped after each arc an arc drawer draws
  picture::TextMetrics* metrics = nullptr;  // required by the label drawers
  ArcPointCache arc_points;                 // the polygon drawers' mapped arcs

  // How the polygon drawers read references: reporting to the sink, fields from the cache.
  mapdata::ReferenceReader References() { return {sink, &arc_points}; }
};

}  // namespace sheetwright::drawers
