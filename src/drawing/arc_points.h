// Mapped points of the arcs in one arc table, kept once they have been computed. Polygons share
// their boundary arcs, and the fill and outline layers of a theme read the same arcs again, so
// without this every shared arc would be parsed from text once per reference. Answers are the
// points the coordinate lines map to, in stored order; errors are left to the caller's own
// reading of the lines (see Get).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "drawing/picture.h"
#include "mapdata/arc_table.h"

namespace sheetwright::drawing {

class ArcPointCache {
 public:
  // The mapped points of the `count` coordinate lines after the arc record line in `slot`, mapping
  // them on first use. Returns an empty span when the lines are not all in the table
  // (count < 1 or running past its end): the caller then reads them itself and fails as it would
  // without the cache. A line that is not a coordinate throws the mapping's ConversionError,
  // exactly as reading it directly does. The span is valid until the next call.
  std::span<const Point> Get(const mapdata::ArcTable& arcs, int slot, int32_t count);

 private:
  uint64_t content_id_ = 0;
  std::vector<int32_t> first_;  // per slot: offset of its arc's points in points_, -1 unknown
  std::vector<Point> points_;
};

}  // namespace sheetwright::drawing
