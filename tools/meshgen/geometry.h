// Plane geometry of the generator. Positions are in tenths of a map unit (the precision written to
// the files), x eastward from 0 to 20000 and y northward from 0 to 15000.
#pragma once

#include <vector>

namespace sheetwright::meshgen {

inline constexpr double kSheetWidth = 20000.0;   // easting 0..2000.0
inline constexpr double kSheetHeight = 15000.0;  // northing 0..1500.0

struct Point {
  double x = 0;
  double y = 0;
};

inline Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
inline Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
inline Point operator*(Point a, double k) { return {a.x * k, a.y * k}; }

inline Point Lerp(Point a, Point b, double t) { return a + (b - a) * t; }

// The point `distance` away from `from` towards `to`.
Point Toward(Point from, Point to, double distance);

// The centroid of the corners (inside any convex polygon).
Point Average(const std::vector<Point>& points);

// `points` scaled by `factor` about their average: a smaller copy inside a convex shape.
std::vector<Point> Shrink(const std::vector<Point>& points, double factor);

}  // namespace sheetwright::meshgen
