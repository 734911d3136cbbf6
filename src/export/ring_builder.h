// The rings of one polygon record in map metres: the points of its arcs in reference order (each
// arc reversed where its reference says so, a point that repeats the one before it stored once),
// a new ring begun wherever the chain comes back to the point it started from. A block with a
// courtyard is thus one outer ring and one inner ring, which Area() turns into a polygon with a
// hole: rings are nested by containment, as the even-odd fill of the drawing nests them.
#pragma once

#include <ogr_geometry.h>

#include <vector>

#include "mapdata/polygon_arcs.h"
#include "export/gpkg_blob.h"
#include "export/sheet_origins.h"
#include "mapdata/arc_table.h"

namespace sheetwright::gis {

class RingBuilder {
 public:
  void Reset();
  // Appends the arc's coordinate lines, shifted by `placement`. A coordinate that is not a number
  // (or a point count that runs past the arc table) throws ConversionError, as drawing it does.
  void AddArc(const mapdata::ArcTable& arcs, const mapdata::ArcRun& run,
              const Placement& placement);

  bool HasOpenChain() const { return points_.size() > RingStart(); }
  bool HasRings() const { return !ring_ends_.empty(); }
  // True when a closed ring has fewer than three distinct points.
  bool HasDegenerateRing() const;

  // The closed rings as a MultiPolygon; call only when there are rings, none degenerate.
  void Area(GeometryBlob& area) const;
  // Every ring and the open chain as lines, for a record that makes no valid area.
  void Lines(GeometryBlob& lines) const;

 private:
  size_t RingStart() const { return ring_ends_.empty() ? 0 : ring_ends_.back(); }
  void Add(OGRRawPoint p);

  std::vector<OGRRawPoint> points_;
  std::vector<size_t> ring_ends_;  // where each closed ring ends in points_
};

}  // namespace sheetwright::gis
