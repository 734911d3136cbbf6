// Triangles that cover a set of rings filled with the even-odd rule: where rings overlap an even
// number of times the area stays open (the holes of a parcel, a lake in a park). For writers whose
// format fills only triangles or quadrilaterals (the SOLID entities of CAD drawings). A figure of
// one simple ring is cut up directly (simple_ring.h), any other goes through the GLU tessellator.
// The rings of a drawn polygon come from SplitRings.
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

// How often the edges of a figure may cross each other. The tessellator's time grows with the
// square of the crossings along one edge (a zigzag of 8000 points across its closing edge takes
// seconds); map figures cross themselves seldom if ever.
constexpr size_t kMaxCrossings = 1024;

// Appends to `triangles` the triangles of `rings` (each closed by itself from its last point to
// its first) under the even-odd rule, in the points' units, and returns true. Crossing edges make
// new vertices where they cross. Rings that cover no area give no triangle. Returns false, and
// appends nothing, for a figure of more than 64 points whose edges cross each other more than
// kMaxCrossings times (or crowd so densely that counting them would cost as much).
bool TriangulateEvenOdd(std::span<const std::span<const picture::Point>> rings,
                        std::vector<Triangle>& triangles);

}  // namespace sheetwright::output

namespace sheetwright::output {

// The rings of a figure drawn as one point list: a ring ends where a point comes back to the
// ring's first point (the next ring starts after it); whatever follows the last such return is
// one more ring, closed by itself. Rings of fewer than two points are left out. (Drawn as one
// list, the edge that closes the figure runs from the last ring back to the first point, which
// cuts a thin wedge out of a polygon with holes; the rings are what the data means.)
std::vector<std::span<const picture::Point>> SplitRings(std::span<const picture::Point> points);

}  // namespace sheetwright::output
