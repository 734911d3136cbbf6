// PolygonFillDraw and PolygonOutlineDraw: polygon records whose rings are lists of arc references, the arcs'
// points taken from the arc table.
#include "base/messages.h"
#include "drawers/drawers.h"
#include "mapdata/polygon_arcs.h"
#include "picture/recorder.h"

namespace sheetwright::drawers {
namespace {

using mapdata::ArcRecord;
using mapdata::ArcRun;


// Appends the coordinate lines of the arc whose record line is in `slot` (`count` lines after it),
// last to first when `reversed`.
void AppendArc(DrawContext& ctx, const mapdata::ArcTable& arcs, int slot, int32_t count,
               bool reversed, VertexBuffer& vertices) {
  std::span<const picture::Point> cached;
  try {
    cached = ctx.arc_points.Get(arcs, slot, count);
  } catch (const base::ConversionError&) {
    // The cache maps first to last. A reversed reference meets the lines the other way round, and
    // the error must name the first bad line in that order: read them below, which throws it.
    if (!reversed) throw;
  }
  if (!cached.empty()) {
    vertices.AppendRun(cached, reversed);
    return;
  }
  for (int64_t i = 1; i <= count; ++i) {
    int64_t k = reversed ? int64_t{count} + 1 - i : i;
    vertices.XYSet(drawers::MapCoordinateLine(arcs.LineOrEmpty(slot + k)));
  }
}

}  // namespace

picture::Picture PolygonFillDraw(DrawContext& ctx, const mapdata::FileText& pgn_file,
                          const mapdata::ArcTable& arcs) {
  picture::Picture picture;
  picture::Recorder recorder(picture);
  const LayerState& state = ctx.state;
  recorder.SetBrush(picture::BrushStyle::kSolid, state.color);
  recorder.SetPen(picture::PenStyle::kNull, 1, state.color);

  mapdata::LineCursor cursor(pgn_file);
  VertexBuffer& vertices = ctx.vertices;
  const mapdata::ReferenceReader refs = ctx.References();
  while (!cursor.AtEnd()) {
    vertices.Reset();
    std::string_view line = cursor.Next();
    if (!mapdata::BeginsWith(line, state.layer_code)) continue;
    int32_t references = 0;
    if (!ReadReferenceCount(refs, line, references)) break;

    // A bad reference ends the record; the rest of its reference lines are then read as ordinary
    // lines and passed over. What was collected before is filled all the same. A count beyond the
    // file's end reads empty lines, the first of which ends the record.
    ForEachAreaArc(refs, arcs, cursor, references, [&](const ArcRun& run) {
      AppendArc(ctx, arcs, run.slot, run.count, run.reversed, vertices);
    });

    // A closed ring comes back to its first point, which the buffer stores again: the fill leaves
    // out the last point (closing the figure by itself), whether or not the ring was closed.
    // Fewer than three points fill nothing and are not recorded.
    int fill_count = vertices.Count() - 1;
    if (fill_count >= 3) recorder.Polygon(vertices.Points().first(fill_count));
  }
  return picture;
}

picture::Picture PolygonOutlineDraw(DrawContext& ctx, const mapdata::FileText& pgn_file,
                              const mapdata::ArcTable& arcs) {
  picture::Picture picture;
  picture::Recorder recorder(picture);
  const LayerState& state = ctx.state;
  recorder.SetPen(picture::PenStyle::kSolid, state.pen_width, state.color);

  mapdata::LineCursor cursor(pgn_file);
  VertexBuffer& vertices = ctx.vertices;
  const mapdata::ReferenceReader refs = ctx.References();
  while (!cursor.AtEnd()) {
    vertices.Reset();
    std::string_view line = cursor.Next();
    if (!mapdata::BeginsWith(line, state.layer_code)) continue;
    int32_t references = 0;
    if (!ReadReferenceCount(refs, line, references)) break;

    // Each arc is drawn on its own, in its stored direction (the sign of a reference does not
    // matter for a line), so an arc that two polygons share is drawn once for each. A bad
    // reference abandons the rest of the record; the arcs drawn before stay.
    for (int32_t i = 0; i < references; ++i) {
      bool reversed = false;
      int slot = FindReferencedArc(refs, arcs, cursor.Next(), reversed);
      if (slot == -1) break;
      int32_t count = 0;
      ArcRecord record = ReadArcRecord(refs, arcs, slot, /*outline=*/true, count);
      if (record == ArcRecord::kStop) break;
      if (record == ArcRecord::kHidden) continue;
      vertices.Reset();
      AppendArc(ctx, arcs, slot, count, /*reversed=*/false, vertices);
      // A single point (or none) draws nothing visible; it is not recorded.
      if (vertices.Count() >= 2) recorder.Polyline(vertices.Points());
    }
  }
  return picture;
}

}  // namespace sheetwright::drawers
