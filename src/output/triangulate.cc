#include "output/triangulate.h"

#include <GL/glu.h>

#include <deque>
#include <memory>
#include <new>

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

}  // namespace

void TriangulateEvenOdd(std::span<const std::span<const picture::Point>> rings,
                        std::vector<Triangle>& triangles) {
  size_t total = 0;
  for (const auto& ring : rings) total += ring.size();
  if (total < 3) return;
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

  Tessellation t;
  t.triangles = &triangles;
  std::vector<GLdouble> coords;
  coords.reserve(total * 3);
  for (const auto& ring : rings) {
    for (const picture::Point& p : ring) {
      t.vertices.push_back({static_cast<double>(p.x), static_cast<double>(p.y)});
      coords.insert(coords.end(), {static_cast<double>(p.x), static_cast<double>(p.y), 0.0});
    }
  }
  gluTessBeginPolygon(tess.get(), &t);
  size_t i = 0;
  for (const auto& ring : rings) {
    gluTessBeginContour(tess.get());
    for (size_t k = 0; k < ring.size(); ++k, ++i) {
      gluTessVertex(tess.get(), &coords[3 * i], &t.vertices[i]);
    }
    gluTessEndContour(tess.get());
  }
  gluTessEndPolygon(tess.get());
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
