#include "output/dxf/dxf_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <set>

#include "base/common_test_util.h"
#include "base/encoding.h"
#include "output/dxf/dxf_colours.h"
#include "output/dxf/dxf_groups.h"
#include "output/dxf/dxf_reader_test_util.h"
#include "output/geometry/triangulate.h"
#include "picture/font_library.h"
#include "picture/picture_test_util.h"

namespace sheetwright::output {
namespace {

using dxftest::DxfFile;
using dxftest::Object;
using picture::Builder;
using picture::Point;

constexpr picture::ColorValue kRed = 0x0000FF, kPaleBlue = 0xEEC8A0;  // 0x00BBGGRR

// A sheet as the conversion makes one: corner marks drawn by the sheet itself, a fill layer whose
// polygon has a hole (the rings follow each other, the last point left out as the drawers do), a
// line layer and a label layer.
picture::Picture Sheet() {
  Builder fill(20000, 15000);
  fill.Brush(kPaleBlue).Pen(kPaleBlue, 1, picture::PenStyle::kNull);
  fill.Polygon({{0, 0},
                {1000, 0},
                {1000, 1000},
                {0, 1000},
                {0, 0},  // outer ring, closed
                {200, 200},
                {200, 800},
                {800, 800},
                {800, 200}});  // hole
  fill.p.label = "街区塗潰し";
  Builder lines(20000, 15000);
  lines.Pen(kRed, 40).Polyline({{0, 15000}, {100, 14000}, {300, 14000}});
  lines.p.label = "道路中心線";
  Builder labels(20000, 15000);
  labels.Font(picture::Label(-30, 0)).Text({5000, 7000}, "代田一丁目");
  labels.p.label = "町丁目名称";
  Builder sheet(20000, 15000);
  sheet.Pen(0, 1).Line({0, 0}, {0, 50});
  sheet.Layer(fill.p).Layer(lines.p).Layer(labels.p);
  sheet.p.label = "4隅ポイント";
  return sheet.p;
}

double Area(const Triangle& t) {
  return std::abs((t[1].x - t[0].x) * (t[2].y - t[0].y) - (t[2].x - t[0].x) * (t[1].y - t[0].y)) /
         2;
}

TEST(Triangulate, EvenOddLeavesHolesAndDoubleOverlapsOpen) {
  std::vector<Triangle> triangles;
  Point holed[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}, {2, 2}, {2, 8}, {8, 8}, {8, 2}};
  TriangulateEvenOdd(SplitRings(holed), triangles);
  double area = 0;
  for (const Triangle& t : triangles) area += Area(t);
  EXPECT_NEAR(area, 100 - 36, 1e-9);
  // A bow tie crosses itself: two triangles meeting at the crossing, a vertex made there.
  triangles.clear();
  Point bow_tie[] = {{0, 0}, {10, 10}, {10, 0}, {0, 10}};
  std::span<const Point> one[] = {bow_tie};
  TriangulateEvenOdd(one, triangles);
  area = 0;
  for (const Triangle& t : triangles) area += Area(t);
  EXPECT_NEAR(area, 50, 1e-9);
  triangles.clear();
  Point flat[] = {{0, 0}, {5, 0}, {10, 0}};
  std::span<const Point> line[] = {flat};
  TriangulateEvenOdd(line, triangles);
  EXPECT_TRUE(triangles.empty());
}

// Whether `p` lies inside `ring` under the even-odd rule, and in how many of `triangles`.
bool InsideEvenOdd(std::span<const Point> ring, double x, double y) {
  bool inside = false;
  for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
    double xi = ring[i].x, yi = ring[i].y, xj = ring[j].x, yj = ring[j].y;
    if ((yi > y) != (yj > y) && x < xi + (y - yi) * (xj - xi) / (yj - yi)) inside = !inside;
  }
  return inside;
}
int Covering(const std::vector<Triangle>& triangles, double x, double y) {
  int count = 0;
  for (const Triangle& t : triangles) {
    auto side = [&](const Vertex& a, const Vertex& b) {
      return (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x) > 0;
    };
    bool s0 = side(t[0], t[1]), s1 = side(t[1], t[2]), s2 = side(t[2], t[0]);
    count += s0 == s1 && s1 == s2;
  }
  return count;
}
// Whether every point of a grid up to `to` (off every edge and diagonal) is covered by exactly
// one triangle inside the ring and by none outside.
::testing::AssertionResult CoveredOnce(std::span<const Point> ring,
                                       const std::vector<Triangle>& triangles, double to) {
  for (double y = -0.6219; y < to; y += 0.5) {
    for (double x = -0.713; x < to; x += 0.5) {
      int expected = InsideEvenOdd(ring, x, y) ? 1 : 0, covered = Covering(triangles, x, y);
      if (covered != expected) {
        return ::testing::AssertionFailure()
               << covered << " triangles instead of " << expected << " at " << x << ", " << y;
      }
    }
  }
  return ::testing::AssertionSuccess();
}

// Whatever path a ring takes, its triangles cover the even-odd area once and nothing else: convex
// rings with straight runs, repeats and either orientation (fanned, one triangle per corner past
// the second), and rings that only look convex corner by corner: a pentagram, a square drawn
// twice, a ring that doubles back.
TEST(Triangulate, OneRingIsCoveredExactlyOnceWhereverItIsInside) {
  std::vector<std::vector<Point>> rings = {
      {{0, 0}, {4, 0}, {10, 0}, {10, 10}, {10, 10}, {0, 10}, {0, 0}},
      {{0, 0}, {0, 10}, {5, 10}, {10, 10}, {10, 0}},
      {{3, 0}, {10, 2}, {10, 7}, {6, 10}, {1, 9}, {0, 4}},
      {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}},
      {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}, {10, 0}, {10, 10}, {0, 10}},
      {{0, 6}, {3, 9}, {3, 6}, {3, 12}, {6, 9}},
      {{0, 0}, {10, 0}, {10, 10}, {5, 3}, {0, 10}},
  };
  const size_t fanned[] = {2, 2, 4};
  for (size_t r = 0; r < rings.size(); ++r) {
    std::span<const Point> one[] = {rings[r]};
    std::vector<Triangle> triangles;
    ASSERT_TRUE(TriangulateEvenOdd(one, triangles));
    if (r < std::size(fanned)) {
      EXPECT_EQ(triangles.size(), fanned[r]) << "ring " << r;
    }
    ASSERT_TRUE(CoveredOnce(rings[r], triangles, 21)) << "ring " << r;
  }
}

// Random rings on a coarse grid, so that points fall on each other's lines: star-shaped ones,
// simple (ears cut), and ones in any order, mostly crossing themselves (tessellated).
TEST(Triangulate, RandomRingsAreCoveredExactlyOnceWhereverTheyAreInside) {
  std::mt19937 random(533946);
  for (int round = 0; round < 400; ++round) {
    std::vector<Point> ring;
    const int n = 3 + static_cast<int>(random() % 12);
    for (int i = 0; i < n; ++i) {
      ring.push_back(
          {static_cast<int32_t>(random() % 7 * 3), static_cast<int32_t>(random() % 7 * 3)});
    }
    if (round % 2 == 0) {
      std::sort(ring.begin(), ring.end(), [](Point a, Point b) {
        return std::atan2(a.y - 9.5, a.x - 9.3) < std::atan2(b.y - 9.5, b.x - 9.3);
      });
    }
    std::span<const Point> one[] = {ring};
    std::vector<Triangle> triangles;
    ASSERT_TRUE(TriangulateEvenOdd(one, triangles));
    ASSERT_TRUE(CoveredOnce(ring, triangles, 20)) << "round " << round;
  }
}

// A zigzag across its own closing edge: a thousand crossings take the tessellator seconds.
std::vector<Point> Zigzag(int points) {
  std::vector<Point> zigzag;
  for (int i = 0; i < points; ++i) zigzag.push_back({-116 * i, i % 2 ? 0 : -7});
  zigzag.push_back({-116 * points, 7});
  return zigzag;
}

TEST(Triangulate, RingsSplitWhereTheyCloseAndTheLastClosesItself) {
  Point points[] = {{0, 0}, {1, 0}, {1, 1}, {0, 0}, {5, 5}, {6, 5}, {6, 6}};
  auto rings = SplitRings(points);
  ASSERT_EQ(rings.size(), 2u);
  EXPECT_EQ(rings[0].size(), 3u);
  EXPECT_EQ(rings[1].size(), 3u);
  EXPECT_EQ(rings[1][0], (Point{5, 5}));
}

TEST(Triangulate, AFigureCrossingItselfTooOftenIsRefused) {
  std::vector<Triangle> triangles;
  std::vector<Point> many = Zigzag(2 * kMaxCrossings + 10), few = Zigzag(200);
  std::span<const Point> refused[] = {many}, taken[] = {few};
  EXPECT_FALSE(TriangulateEvenOdd(refused, triangles));
  EXPECT_TRUE(triangles.empty());
  EXPECT_TRUE(TriangulateEvenOdd(taken, triangles));
  EXPECT_FALSE(triangles.empty());
}

// The tessellator is kept from fill to fill: a refused figure, a large one and a small one in turn
// leave nothing behind for the next (none of them convex, which would pass it by).
TEST(Triangulate, EachFigureTessellatesAsIfItWereTheFirst) {
  std::vector<Point> ell = {{0, 0}, {10, 0}, {10, 10}, {5, 10}, {5, 5}, {0, 5}};
  std::span<const Point> alone[] = {ell};
  std::vector<Triangle> first, again;
  ASSERT_TRUE(TriangulateEvenOdd(alone, first));
  std::vector<Point> many = Zigzag(2 * kMaxCrossings + 10), large;
  for (int i = 0; i < 5000; ++i) {
    large.push_back(
        {static_cast<int32_t>(std::lround(1e6 * std::cos(i * 2 * std::numbers::pi / 5000))),
         static_cast<int32_t>(std::lround(1e6 * std::sin(i * 2 * std::numbers::pi / 5000)))});
  }
  large.push_back({0, 0});
  std::span<const Point> refused[] = {many}, taken[] = {large};
  std::vector<Triangle> others;
  EXPECT_FALSE(TriangulateEvenOdd(refused, others));
  EXPECT_TRUE(TriangulateEvenOdd(taken, others));
  ASSERT_TRUE(TriangulateEvenOdd(alone, again));
  ASSERT_EQ(again.size(), first.size());
  for (size_t i = 0; i < first.size(); ++i) {
    for (size_t k = 0; k < 3; ++k) {
      EXPECT_EQ(again[i][k].x, first[i][k].x);
      EXPECT_EQ(again[i][k].y, first[i][k].y);
    }
  }
}

// Lines go out in chunks of about 64 KB, none cut, and a text value longer than a chunk whole.
TEST(DxfGroups, ChunksHoldWholeLinesAndLongValues) {
  std::vector<std::string> chunks;
  std::function<void(std::string_view)> write = [&](std::string_view c) { chunks.emplace_back(c); };
  dxf::GroupWriter out(write);
  std::string expected, long_value(200 * 1024, 'x');
  auto tenths = [](int64_t t) {
    return (t < 0 ? "-" : "") + std::to_string(std::abs(t) / 10) + "." +
           std::to_string(std::abs(t) % 10) + "\r\n";
  };
  for (int i = 0; i < 20000; ++i) {
    // Points short and long (past 10 km) on either side.
    out.TenthsPoint(12, i * 13 - 130000, 100005 - i);
    expected += " 12\r\n" + tenths(i * 13 - 130000) + " 22\r\n" + tenths(100005 - i);
    out.Tenths(10, -i);
    out.Real(40, i / 4.0);
    expected += " 10\r\n" + std::string(i ? "-" : "") + std::to_string(i / 10) + "." +
                std::to_string(i % 10) + "\r\n 40\r\n" + std::to_string(i / 4) +
                (i % 4 == 0   ? ".0"
                 : i % 4 == 1 ? ".25"
                 : i % 4 == 2 ? ".5"
                              : ".75") +
                "\r\n";
    if (i == 9000) {
      out.Text(1, long_value);
      out.Handle(1071, 0xABCDEF);
      expected += "  1\r\n" + long_value + "\r\n1071\r\nABCDEF\r\n";
    }
  }
  for (int64_t far : {99999, 100000, -1234567, 9}) out.Tenths(20, far);
  expected += " 20\r\n9999.9\r\n 20\r\n10000.0\r\n 20\r\n-123456.7\r\n 20\r\n0.9\r\n";
  out.Flush();
  std::string joined;
  for (const std::string& chunk : chunks) {
    EXPECT_TRUE(chunk.ends_with("\r\n"));
    EXPECT_LE(chunk.size(), chunk.size() > long_value.size() ? long_value.size() + 8192 : 70000u);
    joined += chunk;
  }
  EXPECT_GT(chunks.size(), 5u);
  EXPECT_EQ(joined, expected);
}

class DxfWriterTest : public ::testing::Test {
 protected:
  picture::FontLibrary fonts_;
  base::NullMessageSink sink_;
};

TEST_F(DxfWriterTest, Release12KeepsShiftJisLayersMetresAndOpenHoles) {
  std::string text = EncodeDxf(Sheet(), DxfFlavour::kR12, fonts_, sink_);
  DxfFile dxf(text);
  EXPECT_EQ(dxf.Header("$ACADVER"), "AC1009");
  EXPECT_EQ(dxf.Header("$DWGCODEPAGE"), "ANSI_932");
  auto layers = dxf.Layers();
  const std::string fill_layer = base::Utf8ToCp932("街区塗潰し");
  ASSERT_TRUE(layers.count(fill_layer));
  EXPECT_TRUE(layers.count(base::Utf8ToCp932("4隅ポイント")));
  EXPECT_EQ(layers[fill_layer], dxf::NearestAci({0xA0, 0xC8, 0xEE}));
  EXPECT_EQ(layers[base::Utf8ToCp932("道路中心線")], 1);  // red

  // The fill: triangles of 100 m x 100 m less the 60 m x 60 m hole, none inside the hole, at the
  // sheet's top-left corner (northing 1500 m).
  double area = 0;
  for (const Object& solid : dxf.In("ENTITIES", "SOLID")) {
    EXPECT_EQ(solid.Get(8), fill_layer);
    Triangle t{Vertex{solid.Real(10), solid.Real(20)}, Vertex{solid.Real(11), solid.Real(21)},
               Vertex{solid.Real(12), solid.Real(22)}};
    area += Area(t);
    double cx = (t[0].x + t[1].x + t[2].x) / 3, cy = (t[0].y + t[1].y + t[2].y) / 3;
    EXPECT_FALSE(cx > 20 && cx < 80 && cy > 1420 && cy < 1480) << cx << ", " << cy;
    EXPECT_TRUE(cx > 0 && cx < 100 && cy > 1400 && cy < 1500) << cx << ", " << cy;
  }
  EXPECT_NEAR(area, 10000 - 3600, 1e-6);

  // Both rings' outlines are kept, closed; the road keeps its 4 m pen as constant width.
  std::vector<Object> polylines = dxf.In("ENTITIES", "POLYLINE");
  int closed_rings = 0;
  for (const Object& p : polylines) closed_rings += p.Get(8) == fill_layer && p.Get(70) == "1";
  EXPECT_EQ(closed_rings, 2);
  bool road = false;
  for (const Object& p : polylines) road = road || (p.Get(62) == "1" && p.Real(40) == 4.0);
  EXPECT_TRUE(road);
  std::vector<Object> vertices = dxf.In("ENTITIES", "VERTEX");
  ASSERT_FALSE(vertices.empty());
  EXPECT_EQ(vertices.front().Real(20), 1500);  // y 0 is the northern edge

  // The label's bytes unchanged, its baseline the ascent below the drawn top-left corner.
  std::vector<Object> texts = dxf.In("ENTITIES", "TEXT");
  ASSERT_EQ(texts.size(), 1u);
  picture::LabelFont font = picture::Label(-30, 0);
  EXPECT_EQ(texts[0].Get(1), base::Utf8ToCp932("代田一丁目"));
  EXPECT_DOUBLE_EQ(texts[0].Real(10), 500);
  EXPECT_NEAR(texts[0].Real(20), (15000 - 7000 - fonts_.Ascent(font)) / 10, 1e-9);
  EXPECT_NEAR(texts[0].Real(40), fonts_.PixelSize(font) / 10, 1e-9);
  EXPECT_EQ(texts[0].Get(7), base::Utf8ToCp932("ＭＳ_Ｐゴシック"));
  EXPECT_EQ(dxf.In("TABLES", "STYLE").size(), 2u);  // STANDARD and the label face
}

TEST_F(DxfWriterTest, Release2010HatchesRingsInUtf8WithTrueColourAndHandles) {
  std::string text = EncodeDxf(Sheet(), DxfFlavour::kR2010, fonts_, sink_);
  DxfFile dxf(text);
  EXPECT_EQ(dxf.Header("$ACADVER"), "AC1024");
  EXPECT_EQ(dxf.Header("$INSUNITS"), "6");
  EXPECT_TRUE(dxf.Layers().count("街区塗潰し"));

  std::vector<Object> hatches = dxf.In("ENTITIES", "HATCH");
  ASSERT_EQ(hatches.size(), 1u);
  EXPECT_EQ(hatches[0].Get(91), "2");  // the outer ring and the hole
  EXPECT_THAT(hatches[0].All(93), ::testing::ElementsAre("4", "4"));
  EXPECT_EQ(hatches[0].Get(420), std::to_string(0xA0C8EE));
  EXPECT_EQ(hatches[0].Get(75), "0");  // odd parity
  int closed_rings = 0;                // the outlines a CAD snaps to, as in release 12
  for (const Object& p : dxf.In("ENTITIES", "LWPOLYLINE")) {
    closed_rings += p.Get(8) == "街区塗潰し" && p.Get(70) == "1" && p.Get(420) == "10537198";
  }
  EXPECT_EQ(closed_rings, 2);

  std::vector<Object> texts = dxf.In("ENTITIES", "TEXT");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].Get(1), "代田一丁目");
  bool road = false;
  for (const Object& p : dxf.In("ENTITIES", "LWPOLYLINE")) {
    road = road || (p.Get(420) == std::to_string(0xFF0000) && p.Get(370) == "53");
  }
  EXPECT_TRUE(road) << "a 40-unit pen is 0.56 mm on the 800-point page";

  // Handles are unique and below the seed.
  std::set<uint64_t> handles;
  for (const char* section : {"TABLES", "BLOCKS", "ENTITIES", "OBJECTS"}) {
    for (const Object& o : dxf.In(section)) {
      for (int code : {5, 105}) {
        for (const std::string& h : o.All(code)) {
          EXPECT_TRUE(handles.insert(std::stoull(h, nullptr, 16)).second) << h;
        }
      }
    }
  }
  EXPECT_LT(*handles.rbegin(), std::stoull(dxf.Header("$HANDSEED"), nullptr, 16));
}

TEST_F(DxfWriterTest, AFillTooTangledForTrianglesKeepsItsOutlineAndSaysSo) {
  Builder fill(20000, 15000);
  std::vector<Point> zigzag = Zigzag(3000);
  for (Point& p : zigzag) p = {p.x + 400000, p.y + 5000};
  fill.Brush(kRed).Add(picture::PolygonRec{fill.Append({}), 0});
  fill.p.points = zigzag;
  fill.p.records.back() = picture::PolygonRec{0, static_cast<uint32_t>(zigzag.size())};
  test_util::CollectingSink told;
  DxfFile dxf(EncodeDxf(fill.p, DxfFlavour::kR12, fonts_, told));
  EXPECT_TRUE(dxf.In("ENTITIES", "SOLID").empty());
  EXPECT_EQ(dxf.In("ENTITIES", "POLYLINE").size(), 1u);
  EXPECT_EQ(told.messages.size(), 1u);
}

TEST_F(DxfWriterTest, NamesAndTextsCannotBreakTheFile) {
  Builder layer(20000, 15000);
  layer.Font(picture::Label(-12, 0)).Cp932Text({10, 10}, std::string("a\r\nb\0c", 6));
  layer.p.label = "a/b:c";
  Builder twin(20000, 15000);
  twin.Pen(0).Line({0, 0}, {1, 1});
  twin.p.label = "A/B:C";  // the same name to a CAD, which ignores letter case
  Builder sheet(20000, 15000);
  sheet.Layer(layer.p).Layer(twin.p);
  for (DxfFlavour flavour : {DxfFlavour::kR12, DxfFlavour::kR2010}) {
    DxfFile dxf(EncodeDxf(sheet.p, flavour, fonts_, sink_));
    EXPECT_THAT(dxf.Layers(), ::testing::Contains(::testing::Key("a_b_c")));
    EXPECT_THAT(dxf.Layers(), ::testing::Contains(::testing::Key("A_B_C_2")));
    ASSERT_EQ(dxf.In("ENTITIES", "TEXT").size(), 1u);
    EXPECT_EQ(dxf.In("ENTITIES", "TEXT")[0].Get(1), "a  b c");
  }
}

// Layers and colours alternate: every entity names its own, whatever the one before it had.
TEST_F(DxfWriterTest, EachEntityKeepsItsLayerAndColourInRunsAndAlternations) {
  Builder first(20000, 15000), second(20000, 15000);
  first.p.label = "one";
  second.p.label = "two";
  first.Pen(kRed).Line({0, 0}, {10, 10}).Pen(kPaleBlue).Polyline({{0, 0}, {5, 5}, {9, 0}});
  second.Pen(kRed).Line({0, 0}, {10, 10}).Line({1, 1}, {8, 8});
  Builder sheet(20000, 15000);
  sheet.Layer(first.p).Layer(second.p).Layer(first.p);
  const int red = dxf::NearestAci({255, 0, 0}), pale = dxf::NearestAci({0xA0, 0xC8, 0xEE});
  const std::vector<std::pair<std::string, int>> expected = {
      {"one", red}, {"one", pale}, {"two", red}, {"two", red}, {"one_2", red}, {"one_2", pale}};
  for (DxfFlavour flavour : {DxfFlavour::kR12, DxfFlavour::kR2010}) {
    std::vector<std::pair<std::string, int>> seen;
    for (const Object& o : DxfFile(EncodeDxf(sheet.p, flavour, fonts_, sink_)).In("ENTITIES")) {
      if (o.type == "SECTION" || o.type == "VERTEX" || o.type == "SEQEND") continue;
      seen.emplace_back(o.Get(8), std::atoi(o.Get(62).c_str()));
    }
    EXPECT_EQ(seen, expected);
  }
}

// Pale fills keep their hue (a grey index only for a grey), and a line drawn over a fill never
// takes the fill's index, even where its own colour is nearest to it.
TEST_F(DxfWriterTest, ColoursKeepTheirHueAndLinesStandOutFromTheFills) {
  const std::set<int> greys = {8, 9, 250, 251, 252, 253, 254};
  for (picture::Rgb pale : {picture::Rgb{0xC8, 0xE6, 0xC8}, picture::Rgb{0xFF, 0xF0, 0xC8},
                            picture::Rgb{0xF0, 0xD2, 0xDC}, picture::Rgb{0xC8, 0xDC, 0xF0}}) {
    EXPECT_EQ(greys.count(dxf::NearestAci(pale)), 0u) << int(pale.r) << "," << int(pale.g);
  }
  EXPECT_EQ(greys.count(dxf::NearestAci({0xDC, 0xDC, 0xDC})), 1u);
  // ... and stay pale: the palest entries of their hues, not darker ones of others.
  for (picture::Rgb pale : {picture::Rgb{0xF2, 0xEC, 0xDE}, picture::Rgb{0xF0, 0xD2, 0xDC},
                            picture::Rgb{0xC8, 0xDC, 0xF0}, picture::Rgb{0xCE, 0xD4, 0xC4}}) {
    picture::Rgb aci = dxf::AciColour(dxf::NearestAci(pale));
    EXPECT_GE(2 * aci.r + 5 * aci.g + aci.b, 8 * 150) << int(pale.r) << "," << int(pale.g);
  }
  const picture::ColorValue fill = 0xD0D0D0, line = 0xC8C8C8;
  ASSERT_EQ(dxf::NearestAci({0xD0, 0xD0, 0xD0}), dxf::NearestAci({0xC8, 0xC8, 0xC8}));
  Builder sheet(20000, 15000);
  sheet.Brush(fill).Pen(fill, 1, picture::PenStyle::kNull).Polygon({{0, 0}, {900, 0}, {0, 900}});
  sheet.Pen(line).Line({0, 0}, {500, 500});
  for (DxfFlavour flavour : {DxfFlavour::kR12, DxfFlavour::kR2010}) {
    DxfFile dxf(EncodeDxf(sheet.p, flavour, fonts_, sink_));
    std::set<std::string> fills, lines;
    for (const Object& o : dxf.In("ENTITIES")) {
      if (o.type == "SOLID" || o.type == "HATCH") fills.insert(o.Get(62));
      if (o.type == "LINE" || o.type == "LWPOLYLINE") lines.insert(o.Get(62));
    }
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(lines.count(*fills.begin()), flavour == DxfFlavour::kR2010 ? 1u : 0u)
        << "release 2010 draws the fill's own outline in its colour";
    EXPECT_EQ(lines.size(), flavour == DxfFlavour::kR2010 ? 2u : 1u);
  }
}

TEST(DxfColours, NearestIndexKeepsBlackAsForegroundAndPaleFillsOffWhite) {
  EXPECT_EQ(dxf::NearestAci({0, 0, 0}), 7);
  EXPECT_EQ(dxf::NearestAci({255, 0, 0}), 1);
  EXPECT_EQ(dxf::NearestAci({0, 0, 255}), 5);
  int pale = dxf::NearestAci({250, 248, 241});
  EXPECT_NE(pale, 7);
  EXPECT_NE(pale, 255);
  EXPECT_EQ(dxf::AciColour(10), (picture::Rgb{255, 0, 0}));
  EXPECT_EQ(dxf::AciColour(21), (picture::Rgb{255, 159, 127}));
}

}  // namespace
}  // namespace sheetwright::output
