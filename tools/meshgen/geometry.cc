#include "meshgen/geometry.h"

#include <cmath>

namespace sheetwright::meshgen {

Point Toward(Point from, Point to, double distance) {
  Point d = to - from;
  double length = std::hypot(d.x, d.y);
  if (length == 0) return from;
  return from + d * (distance / length);
}

Point Average(const std::vector<Point>& points) {
  Point sum;
  for (Point p : points) sum = sum + p;
  return points.empty() ? sum : sum * (1.0 / static_cast<double>(points.size()));
}

std::vector<Point> Shrink(const std::vector<Point>& points, double factor) {
  Point centre = Average(points);
  std::vector<Point> result;
  result.reserve(points.size());
  for (Point p : points) result.push_back(Lerp(centre, p, factor));
  return result;
}

}  // namespace sheetwright::meshgen
