#include "drawers/arc_points.h"

#include <algorithm>

#include "drawers/geometry.h"

namespace sheetwright::drawers {

ArcPointCache::Arc& ArcPointCache::ArcOf(const mapdata::ArcTable& arcs, int slot) {
  if (content_id_ != arcs.content_id()) {
    content_id_ = arcs.content_id();
    arc_of_slot_.assign(static_cast<size_t>(arcs.size()), -1);
    arcs_.clear();
    points_.clear();
    // Every point is a line of the table, so this is room enough: no regrowth, no copying.
    points_.reserve(arc_of_slot_.size());
  }
  int32_t& index = arc_of_slot_[static_cast<size_t>(slot)];
  if (index < 0) {
    index = static_cast<int32_t>(arcs_.size());
    arcs_.emplace_back();
  }
  return arcs_[static_cast<size_t>(index)];
}

const ArcPointCache::ArcFields* ArcPointCache::Fields(const mapdata::ArcTable& arcs, int slot) {
  if (!arcs.Holds(slot)) return nullptr;
  Arc& arc = ArcOf(arcs, slot);
  if (arc.fields_known == Known::kNo) {
    std::optional<ArcFields> fields = mapdata::ParseArcFields(arcs.Line(slot));
    arc.fields_known = fields ? Known::kYes : Known::kUnreadable;
    if (fields) arc.fields = *fields;
  }
  return arc.fields_known == Known::kYes ? &arc.fields : nullptr;
}

std::span<const picture::Point> ArcPointCache::Get(const mapdata::ArcTable& arcs, int slot,
                                                   int32_t count) {
  if (count < 1 || slot < 0 || int64_t{slot} + count >= arcs.size()) return {};
  Arc& arc = ArcOf(arcs, slot);
  if (arc.mapped_count != count) {
    // Mapped in full before it is recorded, so a line that fails leaves nothing half-known.
    size_t start = points_.size();
    try {
      for (int32_t i = 1; i <= count; ++i) {
        picture::Point p = MapCoordinateLine(arcs.Line(slot + i));
        if (points_.size() == start || points_.back() != p) points_.push_back(p);
      }
    } catch (...) {
      points_.resize(start);
      throw;
    }
    arc.mapped_count = count;
    arc.first = static_cast<uint32_t>(start);
    arc.size = static_cast<uint32_t>(points_.size() - start);
  }
  return std::span<const picture::Point>(points_).subspan(arc.first, arc.size);
}

}  // namespace sheetwright::drawers
