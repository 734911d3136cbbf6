#include "export/ring_builder.h"

#include "mapdata/coordinates.h"

namespace sheetwright::gis {
namespace {

bool Same(const OGRRawPoint& a, const OGRRawPoint& b) { return a.x == b.x && a.y == b.y; }

// Twice the ring's signed area: positive when it runs counter-clockwise (x east, y north).
double SignedArea(const OGRRawPoint* points, size_t count) {
  double sum = 0;
  for (size_t i = 0; i + 1 < count; ++i) {
    sum += (points[i].x - points[0].x) * (points[i + 1].y - points[0].y) -
           (points[i + 1].x - points[0].x) * (points[i].y - points[0].y);
  }
  return sum;
}

// Writes the ring counter-clockwise (an outer ring) or clockwise (a hole).
void AddRing(GeometryBlob& area, const OGRRawPoint* points, size_t count, bool outer) {
  area.OpenRing();
  if ((SignedArea(points, count) > 0) == outer) {
    for (size_t i = 0; i < count; ++i) area.Add(points[i].x, points[i].y);
  } else {
    for (size_t i = count; i-- > 0;) area.Add(points[i].x, points[i].y);
  }
  area.Close();
}

}  // namespace

void RingBuilder::Reset() {
  arc_points_.clear();
  pieces_.clear();
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
  size_t begin = arc_points_.size();
  for (int64_t i = 1; i <= run.count; ++i) {
    int64_t slot = run.slot + (run.reversed ? int64_t{run.count} + 1 - i : i);
    // A count that runs past the table reads empty text, which fails as a coordinate.
    std::string_view line = arcs.LineOrEmpty(slot);
    mapdata::MapMetres m = mapdata::ReadCoordinateLine(line);
    if (arc_points_.size() == mapdata::kMaxFigurePoints) mapdata::FigureTooLong();
    arc_points_.emplace_back(m.east + placement.east, m.north + placement.north);
  }
  if (arc_points_.size() > begin) {
    pieces_.push_back({begin, arc_points_.size(), run.slot, run.reversed});
  }
}

void RingBuilder::CancelBothWays() {
  for (size_t i = 0; i < pieces_.size(); ++i) {
    for (size_t j = i + 1; j < pieces_.size() && !pieces_[i].done; ++j) {
      if (!pieces_[j].done && pieces_[j].slot == pieces_[i].slot &&
          pieces_[j].reversed != pieces_[i].reversed) {
        pieces_[i].done = pieces_[j].done = true;
      }
    }
  }
}

int RingBuilder::NextFrom(size_t after, const OGRRawPoint& p) const {
  for (size_t k = 0; k < pieces_.size(); ++k) {
    size_t i = (after + k) % pieces_.size();
    if (!pieces_[i].done && Same(arc_points_[pieces_[i].begin], p)) return static_cast<int>(i);
  }
  return -1;
}

void RingBuilder::Finish() {
  CancelBothWays();
  for (size_t first = 0; first < pieces_.size(); ++first) {
    if (pieces_[first].done) continue;
    // Rings meet at arc ends, never inside an arc: a ring closes at the end of a piece.
    int i = static_cast<int>(first);
    size_t start = points_.size();
    while (i >= 0) {
      Piece& piece = pieces_[static_cast<size_t>(i)];
      piece.done = true;
      for (size_t k = piece.begin; k < piece.end; ++k) Add(arc_points_[k]);
      if (points_.size() - start >= 2 && Same(points_[start], points_.back())) {
        ring_ends_.push_back(points_.size());
        break;
      }
      i = NextFrom(static_cast<size_t>(i) + 1, points_.back());
    }
    if (i < 0) break;
  }
  // An open chain: it and every arc not joined, as taken, for the problem layer.
  for (Piece& piece : pieces_) {
    if (piece.done) continue;
    piece.done = true;
    for (size_t k = piece.begin; k < piece.end; ++k) Add(arc_points_[k]);
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
    AddRing(area, points_.data(), points_.size(), true);
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
      bool outer = true;
      for (const OGRLinearRing* ring : *polygon) {
        std::vector<OGRRawPoint> points(ring->getNumPoints());
        ring->getPoints(points.data());
        AddRing(area, points.data(), points.size(), outer);
        outer = false;
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
