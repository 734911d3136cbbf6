#include "output/geometry/simple_ring.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "base/scratch_pool.h"

namespace sheetwright::output {
namespace {

using picture::Point;

Vertex At(Point p) { return {static_cast<double>(p.x), static_cast<double>(p.y)}; }

// Whether the way from a through b goes on past b rather than back (for a, b, c on one line).
bool GoesOn(Point a, Point b, Point c) {
  return static_cast<__int128>(int64_t{b.x} - a.x) * (int64_t{c.x} - b.x) +
             static_cast<__int128>(int64_t{b.y} - a.y) * (int64_t{c.y} - b.y) >
         0;
}

// The corners of `ring`: its points without those repeated in a row or lying on a straight run
// between their neighbours, which change nothing. False when the ring doubles back on itself
// somewhere or has fewer than three corners. `one_way` tells whether every corner turns the same
// way.
bool Corners(std::span<const Point> ring, std::vector<Point>& points, std::vector<Point>& corners,
             bool& one_way) {
  points.clear();
  corners.clear();
  for (const Point& p : ring) {
    if (points.empty() || !(p == points.back())) points.push_back(p);
  }
  while (points.size() > 1 && points.back() == points.front()) points.pop_back();
  const size_t n = points.size();
  int turn = 0;
  one_way = true;
  for (size_t i = 0; i < n && n >= 3; ++i) {
    Point a = points[(i + n - 1) % n], b = points[i], c = points[(i + 1) % n];
    int side = Orientation(a, b, c);
    if (side == 0 && !GoesOn(a, b, c)) return false;
    if (side == 0) continue;
    one_way = one_way && (turn == 0 || side == turn);
    turn = side;
    corners.push_back(b);
  }
  return corners.size() >= 3;
}

// Whether corners that all turn one way go round once, not more: the x direction of the edges
// then changes sign twice (a pentagram's four times).
bool WindsOnce(std::span<const Point> corners) {
  const size_t m = corners.size();
  auto x_sign = [&](size_t i) {
    int64_t dx = int64_t{corners[(i + 1) % m].x} - corners[i % m].x;
    return (dx > 0) - (dx < 0);
  };
  size_t start = 0;
  while (start < m && x_sign(start) == 0) ++start;
  int changes = 0;
  for (size_t i = start + 1, last = start; i <= start + m; ++i) {
    if (x_sign(i) == 0) continue;
    changes += x_sign(i) != x_sign(last);
    last = i;
  }
  return changes == 2;
}

// Whether p, on the line through a and b, lies on the segment between them.
bool Within(Point a, Point b, Point p) {
  return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
         p.y <= std::max(a.y, b.y);
}

// Whether the segments a-b and c-d have any point in common.
bool Touch(Point a, Point b, Point c, Point d) {
  if (std::max(a.x, b.x) < std::min(c.x, d.x) || std::max(c.x, d.x) < std::min(a.x, b.x) ||
      std::max(a.y, b.y) < std::min(c.y, d.y) || std::max(c.y, d.y) < std::min(a.y, b.y)) {
    return false;
  }
  int o1 = Orientation(a, b, c), o2 = Orientation(a, b, d);
  int o3 = Orientation(c, d, a), o4 = Orientation(c, d, b);
  if (o1 * o2 < 0 && o3 * o4 < 0) return true;
  return (o1 == 0 && Within(a, b, c)) || (o2 == 0 && Within(a, b, d)) ||
         (o3 == 0 && Within(c, d, a)) || (o4 == 0 && Within(c, d, b));
}

// Whether no two edges but neighbours meet (neighbours meet only at their corner: corners turn).
bool IsSimple(std::span<const Point> c) {
  const size_t m = c.size();
  for (size_t i = 0; i + 2 < m; ++i) {
    for (size_t j = i + 2; j < m - (i == 0 ? 1 : 0); ++j) {
      if (Touch(c[i], c[i + 1], c[j], c[(j + 1) % m])) return false;
    }
  }
  return true;
}

// Cuts a simple ring of corners into ears: a corner that turns the ring's way, with no other
// corner in or on the triangle it makes with its neighbours, is cut off with that triangle. A
// corner left on a straight line between its neighbours is dropped without one. False, appending
// nothing, should a round find neither.
bool ClipEars(std::span<const Point> c, std::vector<Triangle>& triangles) {
  const size_t m = c.size();
  __int128 area = 0;
  for (size_t i = 0; i < m; ++i) {
    const Point &p = c[i], &q = c[(i + 1) % m];
    area += static_cast<__int128>(p.x) * q.y - static_cast<__int128>(q.x) * p.y;
  }
  const int turn = area > 0 ? 1 : -1;
  std::array<uint8_t, kMaxSimpleRing> prev, next;
  for (size_t i = 0; i < m; ++i) {
    prev[i] = static_cast<uint8_t>((i + m - 1) % m);
    next[i] = static_cast<uint8_t>((i + 1) % m);
  }
  auto in = [&](size_t r, size_t a, size_t b, size_t d) {
    return Orientation(c[a], c[b], c[r]) * turn >= 0 && Orientation(c[b], c[d], c[r]) * turn >= 0 &&
           Orientation(c[d], c[a], c[r]) * turn >= 0;
  };
  const size_t first = triangles.size();
  size_t left = m, at = 0;
  for (size_t tried = 0; left > 3; at = next[at]) {
    if (++tried > left) {
      triangles.resize(first);
      return false;
    }
    const size_t p = prev[at], q = next[at];
    int side = Orientation(c[p], c[at], c[q]);
    if (side == -turn) continue;
    if (side == turn) {
      bool empty = true;
      for (size_t r = next[q]; r != p && empty; r = next[r]) empty = !in(r, p, at, q);
      if (!empty) continue;
      triangles.push_back({At(c[p]), At(c[at]), At(c[q])});
    }
    next[p] = static_cast<uint8_t>(q);
    prev[q] = static_cast<uint8_t>(p);
    --left;
    tried = 0;
  }
  if (Orientation(c[prev[at]], c[at], c[next[at]]) != 0) {
    triangles.push_back({At(c[prev[at]]), At(c[at]), At(c[next[at]])});
  }
  return true;
}

}  // namespace

int Orientation(Point a, Point b, Point c) {
  __int128 cross = static_cast<__int128>(int64_t{b.x} - a.x) * (int64_t{c.y} - a.y) -
                   static_cast<__int128>(int64_t{b.y} - a.y) * (int64_t{c.x} - a.x);
  return (cross > 0) - (cross < 0);
}

bool TriangulateSimpleRing(std::span<const Point> ring, std::vector<Triangle>& triangles) {
  struct Scratch {
    std::vector<Point> points, corners;
  };
  base::ScratchPool<Scratch>::Lease scratch = base::ScratchPool<Scratch>::Shared().Take();
  auto& [points, corners] = *scratch;
  // What a rare large ring took is given back at the next.
  if (points.capacity() > 4096) points = {}, corners = {};
  bool one_way = false;
  if (!Corners(ring, points, corners, one_way)) return false;
  if (one_way && WindsOnce(corners)) {
    for (size_t i = 1; i + 1 < corners.size(); ++i) {
      triangles.push_back({At(corners[0]), At(corners[i]), At(corners[i + 1])});
    }
    return true;
  }
  if (corners.size() > kMaxSimpleRing || !IsSimple(corners)) return false;
  return ClipEars(corners, triangles);
}

}  // namespace sheetwright::output
