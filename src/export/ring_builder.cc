#include "export/ring_builder.h"

#include "mapdata/coordinates.h"

namespace sheetwright::gis {
namespace {

bool Same(const OGRRawPoint& a, const OGRRawPoint& b) { return a.x == b.x && a.y == b.y; }

void AddRing(GeometryBlob& area, const OGRRawPoint* points, size_t count) {
  area.OpenRing();
  for (size_t i = 0; i < count; ++i) area.Add(points[i].x, points[i].y);
  area.Close();
}

}  // namespace

void RingBuilder::Reset() {
  points_.clear();
  ring_ends_.clear();
}

void RingBuilder::Add(OGRRawPoint p) {
  if (points_.size() > RingStart() && Same(points_.back(), p)) return;
  if (points_.size() == mapdata::kMaxFigurePoints) {
    mapdata::FigureTooLong();
  }
  points_.push_back(p);
}

void RingBuilder::AddArc(const mapdata::ArcTable& arcs, const mapdata::ArcRun& run,
                         const Placement& placement) {
  for (int64_t i = 1; i <= run.count; ++i) {
    int64_t slot = run.slot + (run.reversed ? int64_t{run.count} + 1 - i : i);
    // A count that runs past the table reads empty text, which fails as a coordinate.
    std::string_view line = arcs.LineOrEmpty(slot);
    mapdata::MapMetres m = mapdata::ReadCoordinateLine(line);
    Add(OGRRawPoint(m.east + placement.east, m.north + placement.north));
  }
  // The chain closes at the end of an arc (rings meet at arc ends, never inside an arc).
  size_t start = RingStart();
  if (points_.size() - start >= 2 && Same(points_[start], points_.back())) {
    ring_ends_.push_back(points_.size());
  }
}

bool RingBuilder::HasDegenerateRing() const {
  size_t start = 0;
  for (size_t end : ring_ends_) {
    if (end - start < 4) return true;  // three distinct points and the closing repeat
    start = end;
  }
  return false;
}

void RingBuilder::Area(GeometryBlob& area) const {
  area.Open(WkbType::kMultiPolygon);
  if (ring_ends_.size() == 1) {  // most areas: one polygon of one ring
    area.Open(WkbType::kPolygon);
    AddRing(area, points_.data(), points_.size());
    area.Close();
  } else {
    // Rings inside an odd number of others are holes, as the even-odd fill shows them.
    std::vector<OGRGeometry*> polygons;
    size_t start = 0;
    for (size_t end : ring_ends_) {
      auto* ring = new OGRLinearRing();
      ring->setPoints(static_cast<int>(end - start), points_.data() + start);
      auto* polygon = new OGRPolygon();
      polygon->addRingDirectly(ring);
      polygons.push_back(polygon);
      start = end;
    }
    int valid = 0;
    std::unique_ptr<OGRGeometry> organized(
        OGRGeometryFactory::forceToMultiPolygon(OGRGeometryFactory::organizePolygons(
            polygons.data(), static_cast<int>(polygons.size()), &valid, nullptr)));
    for (const OGRPolygon* polygon : *organized->toMultiPolygon()) {
      area.Open(WkbType::kPolygon);
      for (const OGRLinearRing* ring : *polygon) {
        std::vector<OGRRawPoint> points(ring->getNumPoints());
        ring->getPoints(points.data());
        AddRing(area, points.data(), points.size());
      }
      area.Close();
    }
  }
  area.Close();
}

void RingBuilder::Lines(GeometryBlob& lines) const {
  lines.Open(WkbType::kMultiLineString);
  size_t start = 0;
  auto add = [&](size_t end) {
    if (end == start) return;
    lines.Open(WkbType::kLineString);
    for (size_t i = start; i < end; ++i) lines.Add(points_[i].x, points_[i].y);
    lines.Close();
    start = end;
  };
  for (size_t end : ring_ends_) add(end);
  add(points_.size());
  lines.Close();
}

}  // namespace sheetwright::gis
