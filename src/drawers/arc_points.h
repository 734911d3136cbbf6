// What the polygon drawers derive from the arcs of one arc table, kept once it has been computed:
// an arc's record fields and its mapped points. Polygons share their boundary arcs, and the fill
// and outline layers of a theme read the same arcs again, so without this every shared arc would
// be parsed from text once per reference. Answers are exactly what reading the lines gives; lines
// that do not read cleanly are left to the caller's own reading (see Fields and Get), so every
// message and error still comes from one place.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "mapdata/arc_table.h"
#include "mapdata/polygon_arcs.h"
#include "picture/picture.h"

namespace sheetwright::drawers {

class ArcPointCache : public mapdata::ArcFieldSource {
 public:
  using ArcFields = mapdata::ArcFields;

  // The fields of the arc record line in `slot` (0 <= slot < size()), or null when either is
  // empty or not an integer: the caller then reads the line itself.
  const ArcFields* Fields(const mapdata::ArcTable& arcs, int slot) override;

  // The mapped points of the `count` coordinate lines after the arc record line in `slot`, with
  // each point that repeats the one before it left out (as the vertex buffer leaves it out), mapped
  // on first use. Returns an empty span when the lines are not all in the table (count < 1 or
  // running past its end): the caller then reads them itself and fails as it would without the
  // cache. A line that is not a coordinate throws the mapping's ConversionError, exactly as reading
  // it directly does. The span is valid until the next call.
  std::span<const picture::Point> Get(const mapdata::ArcTable& arcs, int slot, int32_t count);

 private:
  enum class Known : uint8_t { kNo, kYes, kUnreadable };
  struct Arc {
    Known fields_known = Known::kNo;
    ArcFields fields;
    int32_t mapped_count = -1;     // the count the points were mapped for; -1 not mapped
    uint32_t first = 0, size = 0;  // the points in points_
  };
  Arc& ArcOf(const mapdata::ArcTable& arcs, int slot);

  uint64_t content_id_ = 0;
  std::vector<int32_t> arc_of_slot_;  // index into arcs_, -1 for a slot not asked for yet
  std::vector<Arc> arcs_;
  std::vector<picture::Point> points_;
};

}  // namespace sheetwright::drawers
