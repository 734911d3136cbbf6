// The rings of one polygon record in map metres. An arc the record walks both ways (a cut line from
// the outer ring to a hole, which sheet data has) is no boundary: the two walks cancel. The other
// arcs (each reversed where its reference says so) are joined end to start into rings, in
// reference order where it continues, a point that repeats the one before it stored once. A block
// with a courtyard is thus one outer ring and one inner ring, which Area() turns into a polygon
// with a hole: rings are nested by containment, as the even-odd fill of the drawing nests them,
// outer rings counter-clockwise and holes clockwise.
#pragma once

#include <ogr_geometry.h>

#include <vector>

#include "export/gpkg_blob.h"
#include "export/sheet_origins.h"
#include "mapdata/arc_table.h"
#include "mapdata/polygon_arcs.h"

namespace sheetwright::gis {

class RingBuilder {
 public:
  void Reset();
  // Takes the arc's coordinate lines, shifted by `placement`. A coordinate that is not a number
  // (or a point count that runs past the arc table) throws ConversionError, as drawing it does.
  void AddArc(const mapdata::ArcTable& arcs, const mapdata::ArcRun& run,
              const Placement& placement);
  // Joins the arcs taken into rings; call once after the last AddArc, before asking.
  void Finish();

  bool HasOpenChain() const { return points_.size() > RingStart(); }
  bool HasRings() const { return !ring_ends_.empty(); }
  // True when a closed ring has fewer than three distinct points.
  bool HasDegenerateRing() const;

  // The closed rings as a MultiPolygon; call only when there are rings, none degenerate.
  void Area(GeometryBlob& area) const;
  // Every ring and the open chain as lines, for a record that makes no valid area.
  void Lines(GeometryBlob& lines) const;

 private:
  struct Piece {
    size_t begin, end;  // its points in arc_points_
    int slot;
    bool reversed;
    bool done = false;  // joined into a ring, or cancelled
  };
  size_t RingStart() const { return ring_ends_.empty() ? 0 : ring_ends_.back(); }
  void Add(OGRRawPoint p);
  void CancelBothWays();
  // The piece not done whose first point is `p`, looking from `after` on; -1 when none.
  int NextFrom(size_t after, const OGRRawPoint& p) const;

  std::vector<OGRRawPoint> arc_points_;  // every arc's points as taken
  std::vector<Piece> pieces_;
  std::vector<OGRRawPoint> points_;
  std::vector<size_t> ring_ends_;  // where each closed ring ends in points_
};

}  // namespace sheetwright::gis
