#include "drawing/arc_points.h"

#include "drawing/geometry.h"
#include "mapdata/token.h"

namespace sheetwright::drawing {

std::span<const Point> ArcPointCache::Get(const mapdata::ArcTable& arcs, int slot, int32_t count) {
  if (count < 1 || slot < 0 || int64_t{slot} + count > arcs.ArcLast()) return {};
  if (content_id_ != arcs.content_id()) {
    content_id_ = arcs.content_id();
    first_.assign(static_cast<size_t>(arcs.ArcLast()) + 1, -1);
    // Every point is a line of the table, so this is room enough: no regrowth, no copying.
    points_.clear();
    points_.reserve(first_.size());
  }
  int64_t first = first_[slot];
  if (first >= 0 && first + count > static_cast<int64_t>(points_.size())) first = -1;
  if (first < 0) {
    // Mapped in full before it is recorded, so a line that fails leaves nothing half-known.
    size_t start = points_.size();
    try {
      for (int32_t i = 1; i <= count; ++i) {
        std::string_view line = arcs.ArcLines(slot + i);
        points_.push_back(MapCoordinate(mapdata::TokenGet(line, 1), mapdata::TokenGet(line, 2)));
      }
    } catch (...) {
      points_.resize(start);
      throw;
    }
    first = static_cast<int64_t>(start);
    first_[slot] = static_cast<int32_t>(first);
  }
  return std::span<const Point>(points_).subspan(static_cast<size_t>(first),
                                                 static_cast<size_t>(count));
}

}  // namespace sheetwright::drawing
