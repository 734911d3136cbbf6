// The six drawers. Each reads one data file front to back, selects the lines that begin with the
// layer code, and records its whole layer into a picture of its own, which it returns (also after
// a bad record stopped it early). Bad records are reported through the context's message sink; a
// field that must be a number but is not throws ConversionError and the layer is lost.
#pragma once

#include "drawers/layer_state.h"
#include "mapdata/arc_table.h"
#include "mapdata/record_lines.h"
#include "mapdata/record_tables.h"
#include "picture/picture.h"

namespace sheetwright::drawers {

// Arcs of one class as polylines in the layer colour and pen width (line type 5 is not drawn).
picture::Picture ArcDraw(DrawContext& ctx, const mapdata::FileText& arc_file);
// The same, only the arcs that the attribute table marks as main roads.
picture::Picture MainRoadDraw(DrawContext& ctx, const mapdata::FileText& arc_file,
                            const mapdata::AttributeTable& atr_recs);

// Polygons filled in the layer colour, their rings taken from the arc table.
picture::Picture PolygonFillDraw(DrawContext& ctx, const mapdata::FileText& pgn_file,
                          const mapdata::ArcTable& arcs);
// Polygon outlines, arc by arc, in the layer colour and pen width.
picture::Picture PolygonOutlineDraw(DrawContext& ctx, const mapdata::FileText& pgn_file,
                              const mapdata::ArcTable& arcs);

// Polygon names at the polygons' label points. field < 0: field |field| alone; otherwise fields
// `field` and `field` + 1 joined.
picture::Picture PolygonNameDraw(DrawContext& ctx, const mapdata::FileText& atr_file, int field,
                         const mapdata::PolyTable& poly_recs);
// Point names hanging below their points; always fields `field` and `field` + 1 joined.
picture::Picture PointNameDraw(DrawContext& ctx, const mapdata::FileText& atr_file, int field,
                           const mapdata::PolyTable& point_recs);

}  // namespace sheetwright::drawers
