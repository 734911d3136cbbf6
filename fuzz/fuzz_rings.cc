// The triangles of single rings made without the tessellator (simple_ring.h), against exact
// arithmetic and against the tessellator: rings on a coarse grid, where points fall on each
// other's lines and rings touch themselves, and anywhere in the 32-bit range. A ring taken as
// simple must be covered by triangles of area exactly its own and agree with the tessellator's
// even-odd area; a ring refused goes to the tessellator whole.
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "output/geometry/simple_ring.h"
#include "output/geometry/triangulate.h"
#include "picture_input.h"

namespace {

using namespace sheetwright;
using picture::Point;

__int128 TwiceArea(const output::Triangle& t) {
  auto x = [&](int i) { return static_cast<__int128>(static_cast<int64_t>(t[i].x)); };
  auto y = [&](int i) { return static_cast<__int128>(static_cast<int64_t>(t[i].y)); };
  __int128 a = (x(1) - x(0)) * (y(2) - y(0)) - (x(2) - x(0)) * (y(1) - y(0));
  return a < 0 ? -a : a;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Reader in(data, size);
  const bool coarse = in.U8() % 4 != 0;
  std::vector<Point> ring;
  const size_t n = 3 + in.U8() % 70;
  for (size_t i = 0; i < n && !in.Done(); ++i) {
    if (coarse) {
      ring.push_back({in.U8() % 9 * 1000, in.U8() % 9 * 1000});
    } else {
      ring.push_back({in.Coord(), in.Coord()});
    }
  }
  std::vector<output::Triangle> simple, tessellated;
  if (!output::TriangulateSimpleRing(ring, simple)) {
    FUZZ_CHECK(simple.empty(), "a refused ring left triangles");
    return 0;
  }
  __int128 ring_area = 0, triangles_area = 0;
  for (size_t i = 0; i < ring.size(); ++i) {
    const Point &p = ring[i], &q = ring[(i + 1) % ring.size()];
    ring_area += static_cast<__int128>(p.x) * q.y - static_cast<__int128>(q.x) * p.y;
  }
  for (const output::Triangle& t : simple) {
    FUZZ_CHECK(TwiceArea(t) > 0, "a triangle of no area");
    triangles_area += TwiceArea(t);
  }
  FUZZ_CHECK(triangles_area == (ring_area < 0 ? -ring_area : ring_area),
             "triangles do not cover the ring's area",
             std::to_string(static_cast<double>(triangles_area)) + " against " +
                 std::to_string(static_cast<double>(ring_area)));
  // An empty second ring takes the tessellator's way.
  std::span<const Point> rings[] = {ring, {}};
  FUZZ_CHECK(output::TriangulateEvenOdd(rings, tessellated), "the tessellator refused a ring");
  __int128 tessellated_area = 0;
  for (const output::Triangle& t : tessellated) {
    for (const output::Vertex& v : t) {
      FUZZ_CHECK(v.x == std::floor(v.x) && v.y == std::floor(v.y),
                 "the tessellator found a crossing in a ring taken as simple");
    }
    tessellated_area += TwiceArea(t);
  }
  FUZZ_CHECK(tessellated_area == triangles_area, "the tessellator's even-odd area differs",
             std::to_string(static_cast<double>(tessellated_area)) + " against " +
                 std::to_string(static_cast<double>(triangles_area)));
  return 0;
}
