#include "output/geometry/triangulate.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>
#include <new>

#include "base/scratch_pool.h"
#include "output/geometry/simple_ring.h"

namespace sheetwright::output {
namespace {

// What the callbacks fill: the tessellator is asked for separate triangles only (an edge-flag
// callback rules out fans and strips), so every three vertices form one triangle.
struct Tessellation {
  std::deque<Vertex> vertices;  // stable addresses, handed to GLU as vertex data
  std::vector<Vertex> corners;
  std::vector<Triangle>* triangles = nullptr;
};

void Begin(GLenum, void*) {}
void EdgeFlag(GLboolean, void*) {}
void End(void*) {}

void AddVertex(void* vertex, void* data) {
  auto& t = *static_cast<Tessellation*>(data);
  t.corners.push_back(*static_cast<const Vertex*>(vertex));
  if (t.corners.size() == 3) {
    t.triangles->push_back({t.corners[0], t.corners[1], t.corners[2]});
    t.corners.clear();
  }
}

// A crossing of two edges becomes a vertex of its own.
void Combine(GLdouble coords[3], void* [4], GLfloat[4], void** out, void* data) {
  auto& t = *static_cast<Tessellation*>(data);
  t.vertices.push_back({coords[0], coords[1]});
  *out = &t.vertices.back();
}

void Error(GLenum, void* data) { static_cast<Tessellation*>(data)->corners.clear(); }

struct TessDeleter {
  void operator()(GLUtesselator* tess) const { gluDeleteTess(tess); }
};

struct TessScratch {
  std::unique_ptr<GLUtesselator, TessDeleter> tess;
  Tessellation t;
  std::vector<GLdouble> coords;
};

std::unique_ptr<GLUtesselator, TessDeleter> NewTessellator() {
  std::unique_ptr<GLUtesselator, TessDeleter> tess(gluNewTess());
  if (!tess) throw std::bad_alloc();
  using Callback = void (*)();
  gluTessCallback(tess.get(), GLU_TESS_BEGIN_DATA, reinterpret_cast<Callback>(&Begin));
  gluTessCallback(tess.get(), GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<Callback>(&EdgeFlag));
  gluTessCallback(tess.get(), GLU_TESS_VERTEX_DATA, reinterpret_cast<Callback>(&AddVertex));
  gluTessCallback(tess.get(), GLU_TESS_END_DATA, reinterpret_cast<Callback>(&End));
  gluTessCallback(tess.get(), GLU_TESS_COMBINE_DATA, reinterpret_cast<Callback>(&Combine));
  gluTessCallback(tess.get(), GLU_TESS_ERROR_DATA, reinterpret_cast<Callback>(&Error));
  gluTessProperty(tess.get(), GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_ODD);
  gluTessNormal(tess.get(), 0, 0, 1);
  return tess;
}

void Tessellate(GLUtesselator* tess, std::span<const std::span<const picture::Point>> rings,
                std::vector<GLdouble>& coords, Tessellation& t) {
  gluTessBeginPolygon(tess, &t);
  size_t i = 0;
  for (const auto& ring : rings) {
    gluTessBeginContour(tess);
    for (size_t k = 0; k < ring.size(); ++k, ++i) {
      gluTessVertex(tess, &coords[3 * i], &t.vertices[i]);
    }
    gluTessEndContour(tess);
  }
  gluTessEndPolygon(tess);
}

constexpr size_t kCountFrom = 64;
constexpr size_t kKeptCoords = 3 * 4096;

struct Edge {
  picture::Point a, b;
};

bool Cross(const Edge& e, const Edge& f) {
  return Orientation(e.a, e.b, f.a) * Orientation(e.a, e.b, f.b) < 0 &&
         Orientation(f.a, f.b, e.a) * Orientation(f.a, f.b, e.b) < 0;
}

// Counts proper crossings of the edges on a grid of about one cell per edge: each edge goes into
// the cells its bounding box covers, and a pair is tested in each cell both cover but counted
// only in the first. Gives up (true) past the crossing limit or past a bounded amount of work.
bool CrossesTooOften(std::span<const std::span<const picture::Point>> rings) {
  std::vector<Edge> edges;
  int64_t min_x = INT64_MAX, min_y = INT64_MAX, max_x = INT64_MIN, max_y = INT64_MIN;
  for (const auto& ring : rings) {
    for (size_t i = 0; i < ring.size(); ++i) {
      Edge e{ring[i], ring[(i + 1) % ring.size()]};
      if (e.a == e.b) continue;
      edges.push_back(e);
      min_x = std::min<int64_t>(min_x, e.a.x), max_x = std::max<int64_t>(max_x, e.a.x);
      min_y = std::min<int64_t>(min_y, e.a.y), max_y = std::max<int64_t>(max_y, e.a.y);
    }
  }
  if (edges.size() < 4) return false;
  const int64_t grid = std::clamp<int64_t>(std::sqrt(static_cast<double>(edges.size())), 1, 1024);
  const int64_t cell_w = (max_x - min_x) / grid + 1, cell_h = (max_y - min_y) / grid + 1;
  const size_t work_limit = 64 * edges.size() + (size_t{1} << 20);
  struct Box {
    int64_t x0, y0, x1, y1;
  };
  std::vector<Box> boxes;
  std::vector<std::pair<int64_t, uint32_t>> entries;  // (cell, edge)
  for (uint32_t i = 0; i < edges.size(); ++i) {
    const Edge& e = edges[i];
    Box b{(std::min(e.a.x, e.b.x) - min_x) / cell_w, (std::min(e.a.y, e.b.y) - min_y) / cell_h,
          (std::max(e.a.x, e.b.x) - min_x) / cell_w, (std::max(e.a.y, e.b.y) - min_y) / cell_h};
    boxes.push_back(b);
    if (entries.size() + (b.x1 - b.x0 + 1) * (b.y1 - b.y0 + 1) > work_limit) return true;
    for (int64_t y = b.y0; y <= b.y1; ++y) {
      for (int64_t x = b.x0; x <= b.x1; ++x) entries.emplace_back(y * grid + x, i);
    }
  }
  std::sort(entries.begin(), entries.end());
  size_t crossings = 0, tests = 0;
  for (size_t first = 0, last; first < entries.size(); first = last) {
    for (last = first; last < entries.size() && entries[last].first == entries[first].first;) {
      ++last;
    }
    const int64_t cell_x = entries[first].first % grid, cell_y = entries[first].first / grid;
    for (size_t i = first; i < last; ++i) {
      for (size_t j = i + 1; j < last; ++j) {
        if (++tests > work_limit) return true;
        const Box &p = boxes[entries[i].second], &q = boxes[entries[j].second];
        if (std::max(p.x0, q.x0) != cell_x || std::max(p.y0, q.y0) != cell_y) continue;
        if (Cross(edges[entries[i].second], edges[entries[j].second]) &&
            ++crossings > kMaxCrossings) {
          return true;
        }
      }
    }
  }
  return false;
}

}  // namespace

bool TriangulateEvenOdd(std::span<const std::span<const picture::Point>> rings,
                        std::vector<Triangle>& triangles) {
  size_t total = 0;
  for (const auto& ring : rings) total += ring.size();
  if (total < 3) return true;
  // Most fills are one simple ring, which needs no tessellator.
  if (rings.size() == 1 && TriangulateSimpleRing(rings[0], triangles)) return true;
  // Fewer edges cross each other at most about 2000 times, which costs little: most fills are
  // that small, and are spared the count.
  if (total > kCountFrom && CrossesTooOften(rings)) return false;
  // A tessellator and its buffers serve all the fills one thread makes in turn: a drawing has
  // many thousands of small ones.
  base::ScratchPool<TessScratch>::Lease scratch = base::ScratchPool<TessScratch>::Shared().Take();
  auto& [tess, t, coords] = *scratch;
  if (!tess) tess = NewTessellator();
  t.vertices.clear();
  t.corners.clear();
  t.triangles = &triangles;
  coords.clear();
  for (const auto& ring : rings) {
    for (const picture::Point& p : ring) {
      t.vertices.push_back({static_cast<double>(p.x), static_cast<double>(p.y)});
      coords.insert(coords.end(), {static_cast<double>(p.x), static_cast<double>(p.y), 0.0});
    }
  }
  try {
    Tessellate(tess.get(), rings, coords, t);
  } catch (...) {
    scratch.Discard();  // left inside a polygon
    throw;
  }
  // A rare large fill does not keep its memory for the rest of the run.
  if (coords.capacity() > kKeptCoords) {
    coords = {};
    t.vertices = {};
  }
  return true;
}

std::vector<std::span<const picture::Point>> SplitRings(std::span<const picture::Point> points) {
  std::vector<std::span<const picture::Point>> rings;
  size_t start = 0;
  for (size_t i = 1; i < points.size(); ++i) {
    if (i - start >= 2 && points[i] == points[start]) {
      rings.push_back(points.subspan(start, i - start));
      start = i + 1;
    }
  }
  if (points.size() >= start + 2) rings.push_back(points.subspan(start));
  return rings;
}

}  // namespace sheetwright::output
