// Triangles that cover a polygon filled with the even-odd rule, as a drawing fills one point list
// whose rings follow each other: where rings overlap an even number of times the area stays open
// (the holes of a parcel, a lake in a park). For writers whose format fills only triangles or
// quadrilaterals (the SOLID entities of CAD drawings). Uses the GLU tessellator.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "picture/picture.h"

namespace sheetwright::output {

struct Vertex {
  double x = 0, y = 0;
};
using Triangle = std::array<Vertex, 3>;

// Appends to `triangles` the triangles of the closed figure `points` (closed by itself from the
// last point to the first) under the even-odd rule, in the points' units. Crossing edges make new
// vertices where they cross. A figure that covers no area gives no triangle.
void TriangulateEvenOdd(std::span<const picture::Point> points, std::vector<Triangle>& triangles);

}  // namespace sheetwright::output

namespace sheetwright::output {

// The rings of a figure drawn as one point list: a ring ends where a point comes back to the
// ring's first point (the next ring starts after it); whatever follows the last such return is
// one more ring, closed by itself. Rings of fewer than two points are left out.
std::vector<std::span<const picture::Point>> SplitRings(std::span<const picture::Point> points);

}  // namespace sheetwright::output
