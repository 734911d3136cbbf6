// What the conversion sets before each drawer call and the drawers read, plus the working objects
// one conversion owns (vertex buffer, message sink, progress hook, text metrics).
#pragma once

#include <string>

#include "drawing/arc_points.h"
#include "drawing/geometry.h"
#include "drawing/label_font.h"
#include "drawing/text_metrics.h"
#include "mapdata/messages.h"

namespace sheetwright::drawing {

struct LayerState {
  std::string layer_code;  // record filter: the first characters of the lines drawn
  ColorValue color = 0;    // pen colour of line drawers, fill colour of the fill drawer
  int32_t pen_width = 1;   // drawing units
  LabelFont font;          // label drawers
};

struct DrawContext {
  LayerState state;
  VertexBuffer vertices;
  mapdata::MessageSink& sink;
  mapdata::ProgressHook* progress = nullptr;  // stepped after each arc an arc drawer draws
  TextMetrics* metrics = nullptr;             // required by the label drawers
  ArcPointCache arc_points;                   // the polygon drawers' mapped arcs
};

}  // namespace sheetwright::drawing
