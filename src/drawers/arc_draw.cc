// ArcDraw and MainRoadDraw: arc files drawn straight from the file, one polyline per arc record of
// the layer's class.
#include "base/numbers.h"
#include "drawers/drawers.h"
#include "mapdata/bad_line.h"
#include "mapdata/map_format.h"
#include "mapdata/fields.h"
#include "picture/recorder.h"

namespace sheetwright::drawers {
namespace {

namespace format = mapdata::format;
using base::StrToInt;
using mapdata::ReportBadLine;

// Draws the arcs of the layer's class; with `main_roads` only those it marks. Reading stops at a
// record line without its line type or point count; what was drawn before is kept.
picture::Picture DrawArcs(DrawContext& ctx, const mapdata::FileText& arc_file,
                          const mapdata::AttributeTable* main_roads) {
  picture::Picture picture;
  picture::Recorder recorder(picture);
  const LayerState& state = ctx.state;
  recorder.SetPen(picture::PenStyle::kSolid, state.pen_width, state.color);

  mapdata::LineCursor cursor(arc_file);
  VertexBuffer& vertices = ctx.vertices;
  while (!cursor.AtEnd()) {
    vertices.Reset();
    std::string_view line = cursor.Next();
    if (!mapdata::BeginsWith(line, state.layer_code)) continue;

    // The checks run in this order: a record without its line type is reported even when it is no
    // main road, and the main-road lookup comes before the point count is looked at.
    std::string_view fields[format::kArcPointCountField];
    mapdata::SplitFields(line, fields);
    std::string_view line_type = fields[format::kArcLineTypeField - 1];
    if (line_type.empty()) {
      ReportBadLine(ctx.sink, "線種ID不正=", line);
      break;
    }
    if (StrToInt(line_type) == format::kHiddenLineType) continue;
    if (main_roads != nullptr &&
        main_roads->FindMainRoad(StrToInt(fields[format::kArcIdField - 1])) == -1) {
      continue;
    }
    std::string_view count_text = fields[format::kArcPointCountField - 1];
    if (count_text.empty()) {
      ReportBadLine(ctx.sink, "PGNファイルのレコード数不正=", line);
      break;
    }
    // A count larger than the lines left reads empty lines past the end, which fail as
    // coordinates; so an absurd count costs nothing before it fails.
    int32_t count = StrToInt(count_text);
    vertices.Reset();
    for (int32_t i = 0; i < count; ++i) vertices.XYSet(MapCoordinateLine(cursor.Next()));
    // A single point (or none) draws nothing visible; it is not recorded.
    if (vertices.Count() >= 2) recorder.Polyline(vertices.Points());
    if (ctx.progress != nullptr) ctx.progress->Step();
  }
  return picture;
}

}  // namespace

picture::Picture ArcDraw(DrawContext& ctx, const mapdata::FileText& arc_file) {
  return DrawArcs(ctx, arc_file, nullptr);
}

picture::Picture MainRoadDraw(DrawContext& ctx, const mapdata::FileText& arc_file,
                            const mapdata::AttributeTable& atr_recs) {
  return DrawArcs(ctx, arc_file, &atr_recs);
}

}  // namespace sheetwright::drawers
