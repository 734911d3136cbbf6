// Triangles of one ring that does not touch itself, made without the tessellator: most fills of a
// map are such rings (blocks, buildings, parcels), and the tessellator's general sweep costs them
// many times what they need. Exact on the points' integer coordinates. Internal to
// TriangulateEvenOdd (triangulate.h).
#pragma once

#include <span>
#include <vector>

#include "output/geometry/triangulate.h"
#include "picture/picture.h"

namespace sheetwright::output {

// The side of the line from a to b that c lies on: 1 left (counter-clockwise), -1 right, 0 on it.
int Orientation(picture::Point a, picture::Point b, picture::Point c);

// Rings of more points than this are left to the tessellator: proving a ring simple costs the
// square of its points here.
constexpr size_t kMaxSimpleRing = 64;

// Appends the triangles of `ring` and returns true when the ring is simple: points repeated in a
// row and points on a straight run between their neighbours are passed over, and what remains
// neither doubles back nor touches or crosses itself. A convex ring becomes a fan, any other
// simple ring of up to kMaxSimpleRing points is cut into ears. Its even-odd area is then its
// inside, which the triangles cover once. Returns false, appending nothing, for every other ring.
bool TriangulateSimpleRing(std::span<const picture::Point> ring, std::vector<Triangle>& triangles);

}  // namespace sheetwright::output
