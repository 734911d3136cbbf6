#include <gtest/gtest.h>

#include <string>

#include "base/messages.h"
#include "drawers/drawer_test_util.h"
#include "drawers/drawers.h"

namespace sheetwright::drawers {
namespace {

using test_util::DrawerFixture;
using test_util::Figure;
using test_util::Polygons;
using test_util::Polylines;
using Figures = std::vector<Figure>;
using Messages = std::vector<std::string>;

// Arcs in map units (northward, eastward) on the square 0..10:
//   1: (0,0) -> (0,10)            2: (0,10) -> (10,10)
//   3: (10,10) -> (10,0) -> (0,0), line type 5
//   4: record line without its point count   5: (10,10) -> (10,0)
//   6: record line without its line type     8: (0,0) -> (0,10) -> (10,10) -> (10,0)
//   7: its point count runs past the end of the table
const char kArcs[] =
    "ARC,mesh,1,99\r\n"
    "L1101,1,1,2\r\n0,0\r\n0,10\r\n"
    "L1101,1,2,2\r\n0,10\r\n10,10\r\n"
    "L1101,5,3,3\r\n10,10\r\n10,0\r\n0,0\r\n"
    "L1101,1,4\r\n0,0\r\n"
    "L1101,1,5,2\r\n10,10\r\n10,0\r\n"
    "L1101,,6,2\r\n1,1\r\n2,2\r\n"
    "L1101,1,8,4\r\n0,0\r\n0,10\r\n10,10\r\n10,0\r\n"
    "L1101,1,7,3\r\n0,0\r\n1,1\r\n";

// The drawing units of the corners: (0,0), (0,10), (10,10), (10,0).
constexpr test_util::Xy k00{0, 15000}, k0a{100, 15000}, kaa{100, 14900}, ka0{0, 14900};

struct PolyRun {
  picture::Picture fill, outline;
  Messages fill_messages, outline_messages;
};

// Runs PolygonFillDraw and PolygonOutlineDraw over the same polygon file (header plus `body`).
PolyRun RunBoth(const std::string& body, const std::string& code = "A",
                const char* arc_text = kArcs) {
  const mapdata::ArcTable arcs = test_util::ArcTableOf(arc_text);
  mapdata::FileText file("PGN,mesh,1,2,9\r\n" + body);
  DrawerFixture fill(code, 0xFF0000), outline(code, 0x00FF00, 40);
  PolyRun run;
  run.fill = drawers::PolygonFillDraw(fill.ctx, file, arcs);
  run.outline = drawers::PolygonOutlineDraw(outline.ctx, file, arcs);
  run.fill_messages = fill.sink.messages;
  run.outline_messages = outline.sink.messages;
  return run;
}

// The conversion error of both drawers over the same file (they must agree).
std::string ErrorOf(const std::string& body) {
  std::string errors[2];
  const mapdata::ArcTable arcs = test_util::ArcTableOf(kArcs);
  mapdata::FileText file("PGN,mesh,1,2,9\r\n" + body);
  for (int i = 0; i < 2; ++i) {
    DrawerFixture f("A");
    try {
      i == 0 ? drawers::PolygonFillDraw(f.ctx, file, arcs) : drawers::PolygonOutlineDraw(f.ctx, file, arcs);
      errors[i] = "(no error)";
    } catch (const base::ConversionError& e) {
      errors[i] = e.what();
    }
  }
  EXPECT_EQ(errors[0], errors[1]) << body;
  return errors[0];
}

TEST(PolygonFillDrawTest, ClosedRingGetsEachCornerOnceInTheLayerStyle) {
  PolyRun run = RunBoth("A1100,1,3,5,5\r\n1\r\n2\r\n3\r\n");
  // Arc 3 is of line type 5: it bounds the fill but is left out of the outline.
  EXPECT_EQ(Polygons(run.fill), (Figures{{k00, k0a, kaa, ka0}}));
  EXPECT_EQ(Polylines(run.outline), (Figures{{k00, k0a}, {k0a, kaa}}));
  EXPECT_TRUE(run.fill_messages.empty());
  EXPECT_TRUE(run.outline_messages.empty());

  const picture::BrushRec* brush = test_util::FirstOf<picture::BrushRec>(run.fill);
  const picture::PenRec* pen = test_util::FirstOf<picture::PenRec>(run.fill);
  ASSERT_TRUE(brush && pen);
  EXPECT_EQ(brush->style, picture::BrushStyle::kSolid);
  EXPECT_EQ(brush->color, 0xFF0000u);
  EXPECT_EQ(pen->style, picture::PenStyle::kNull);
  EXPECT_EQ(pen->width, 1);
  const picture::PenRec* line_pen = test_util::FirstOf<picture::PenRec>(run.outline);
  ASSERT_NE(line_pen, nullptr);
  EXPECT_EQ(line_pen->style, picture::PenStyle::kSolid);
  EXPECT_EQ(line_pen->width, 40);
  EXPECT_EQ(line_pen->color, 0x00FF00u);
}

TEST(PolygonFillDrawTest, RingShapes) {
  struct Case {
    const char* references;
    Figures fills;
    Figures outlines;
  };
  const Case cases[] = {
      // A minus sign reverses the arc in the fill; the outline keeps the stored direction.
      {"-3\r\n-2\r\n-1", {{k00, ka0, kaa, k0a}}, {{k0a, kaa}, {k00, k0a}}},
      // A ring that does not close loses its last point all the same.
      {"1\r\n2\r\n5", {{k00, k0a, kaa}}, {{k00, k0a}, {k0a, kaa}, {kaa, ka0}}},
      // Too few points to fill anything: no polygon is recorded.
      {"1", {}, {{k00, k0a}}},
      // An arc shared by two references is drawn for each.
      {"2\r\n-2", {}, {{k0a, kaa}, {k0a, kaa}}},
  };
  for (const Case& c : cases) {
    PolyRun run = RunBoth(std::string("A1100,1,3,5,5\r\n") + c.references + "\r\n");
    EXPECT_EQ(Polygons(run.fill), c.fills) << c.references;
    EXPECT_EQ(Polylines(run.outline), c.outlines) << c.references;
  }
}

TEST(PolygonFillDrawTest, RecordSelectionAndZeroReferences) {
  // r = 0 draws nothing and reads on; the code selects one class out of a shared file.
  PolyRun run =
      RunBoth("A6243,1,0,5,5\r\nA6242,2,1,5,5\r\n1\r\nA6243,3,1,5,5\r\n8\r\nA6244,4,1,5,5\r\n2\r\n",
              "A6243");
  EXPECT_EQ(Polygons(run.fill), (Figures{{k00, k0a, kaa}}));
  EXPECT_EQ(Polylines(run.outline), (Figures{{k00, k0a, kaa, ka0}}));
  EXPECT_TRUE(run.fill_messages.empty());
}

TEST(PolygonFillDrawTest, BadReferenceEndsTheRecordDifferentlyForFillAndOutline) {
  struct Case {
    const char* bad_reference;
    Messages fill_messages;
    Messages outline_messages;
    Figures fills;     // of the bad record and of the good one after it
    Figures outlines;  // the same
  };
  const Figures kGoodFill{{k00, k0a, kaa}};
  const Figure kArc8{k00, k0a, kaa, ka0};
  const Case cases[] = {
      {"-99", {"ARCID-NOTFOUND=-99"}, {"ARCID-NOTFOUND=-99"}, {{k00, k0a, kaa}}, {kArc8}},
      {"", {"PGNファイルのPID不正="}, {"PGNファイルのPID不正="}, {{k00, k0a, kaa}}, {kArc8}},
      {",7", {"PGNファイルのPID不正=,7"}, {"PGNファイルのPID不正=,7"}, {{k00, k0a, kaa}}, {kArc8}},
      {"4", {"座標数不正=L1101,1,4"}, {"座標数不正=L1101,1,4"}, {{k00, k0a, kaa}}, {kArc8}},
      // The fill does not look at the line type: arc 6 bounds it, and the record goes on with
      // arc 2.
      {"6",
       {},
       {"線種ID不正=L1101,,6,2"},
       {{k00, k0a, kaa, ka0, {10, 14990}, {20, 14980}, k0a}},
       {kArc8}},
  };
  for (const Case& c : cases) {
    // The reference after the bad one is passed over; the next record is drawn.
    PolyRun run = RunBoth(std::string("A1100,1,3,5,5\r\n8\r\n") + c.bad_reference +
                          "\r\n2\r\nA1100,2,1,5,5\r\n8\r\n");
    Figures fills = c.fills;
    fills.push_back(kGoodFill[0]);
    Figures outlines = c.outlines;
    outlines.push_back(kArc8);
    EXPECT_EQ(Polygons(run.fill), fills) << c.bad_reference;
    EXPECT_EQ(Polylines(run.outline), outlines) << c.bad_reference;
    EXPECT_EQ(run.fill_messages, c.fill_messages);
    EXPECT_EQ(run.outline_messages, c.outline_messages);
  }
}

TEST(PolygonFillDrawTest, RecordLineWithoutReferenceCountStopsTheFile) {
  PolyRun run = RunBoth("A1100,1,1,5,5\r\n8\r\nA1100,2\r\n8\r\nA1100,3,1,5,5\r\n8\r\n");
  EXPECT_EQ(Polygons(run.fill), (Figures{{k00, k0a, kaa}}));
  EXPECT_EQ(Polylines(run.outline), (Figures{{k00, k0a, kaa, ka0}}));
  EXPECT_EQ(run.fill_messages, Messages{"PGNファイルのレコード数不正=A1100,2"});
  EXPECT_EQ(run.outline_messages, Messages{"PGNファイルのレコード数不正=A1100,2"});
}

TEST(PolygonFillDrawTest, ArcTableReportsABadArcIdBeforeTheDrawerReportsTheReference) {
  const char arcs[] = "ARC,m,1,9\r\nL1101,1,,1\r\n0,0\r\nL1101,1,5,2\r\n0,0\r\n1,1\r\n";
  PolyRun run = RunBoth("A1100,1,1,5,5\r\n5\r\n", "A", arcs);
  const Messages expected{"ARCファイルのアークID不正=L1101,1,,1", "ARCID-NOTFOUND=5"};
  EXPECT_EQ(run.fill_messages, expected);
  EXPECT_EQ(run.outline_messages, expected);
  EXPECT_TRUE(Polylines(run.outline).empty());
}

TEST(PolygonFillDrawTest, FieldsThatAreNotNumbersEndTheConversion) {
  EXPECT_EQ(ErrorOf("A1100,1,x,5,5\r\n1\r\n"), "'x' は整数ではありません");
  EXPECT_EQ(ErrorOf("A1100,1,1,5,5\r\n1x\r\n"), "'1x' は整数ではありません");
  // Arc 7 claims more points than the table holds: the missing lines are empty.
  EXPECT_EQ(ErrorOf("A1100,1,1,5,5\r\n7\r\n"), "'' は浮動小数点数ではありません");
  EXPECT_EQ(ErrorOf("A1100,1,1,5,5\r\n-7\r\n"), "'' は浮動小数点数ではありません");
  // Other classes and the lines of records not drawn are never parsed.
  EXPECT_EQ(ErrorOf("B1100,1,x\r\nzz\r\n"), "(no error)");
}

// A reversed reference reads its arc from the last line to the first: of two bad lines, the error
// names the one met first in that order.
TEST(PolygonFillDrawTest, ReversedArcNamesTheFirstBadLineInItsOrder) {
  const mapdata::ArcTable arcs =
      test_util::ArcTableOf("ARC,m,1,9\r\nL1101,1,1,4\r\nfirst,0\r\n0,0\r\n0,1\r\nlast,1\r\n");
  for (const auto& [reference, bad] : {std::pair{"-1", "last"}, std::pair{"1", "first"}}) {
    mapdata::FileText file(std::string("PGN,mesh,1,2,9\r\nA1100,1,1,5,5\r\n") + reference + "\r\n");
    DrawerFixture fill("A");
    try {
      drawers::PolygonFillDraw(fill.ctx, file, arcs);
      ADD_FAILURE() << reference;
    } catch (const base::ConversionError& e) {
      EXPECT_EQ(e.what(), "'" + std::string(bad) + "' は浮動小数点数ではありません") << reference;
    }
  }
}

TEST(PolygonFillDrawTest, FigureLongerThanTheOriginalBufferIsDrawnWhole) {
  constexpr int kPoints = 6000;
  std::string arcs = "ARC,m,1,9\r\nL1101,1,1," + std::to_string(kPoints) + "\r\n";
  for (int i = 0; i < kPoints; ++i) arcs += std::to_string(i % 2) + "," + std::to_string(i) + "\n";
  PolyRun run = RunBoth("A1100,1,1,5,5\r\n1\r\n", "A", arcs.c_str());
  ASSERT_EQ(Polygons(run.fill).size(), 1u);
  EXPECT_EQ(Polygons(run.fill)[0].size(), static_cast<size_t>(kPoints - 1));
  ASSERT_EQ(Polylines(run.outline).size(), 1u);
  EXPECT_EQ(Polylines(run.outline)[0].size(), static_cast<size_t>(kPoints));
}

}  // namespace
}  // namespace sheetwright::drawers

namespace sheetwright::drawers {
namespace {

// A polygon that goes round the same long arc again and again would need more memory than any
// machine has; it ends the conversion with a clear error instead.
TEST(PolyDrawLimits, AFigureBeyondTheBufferLimitFailsClearly) {
  std::string arcs = "ARC,mesh,1,20001\r\nL1101,1,1,20000\r\n";
  for (int i = 0; i < 20000; ++i)
    arcs += std::to_string(i % 1500) + "," + std::to_string(i / 1500) + "\r\n";
  std::string pgn = "PGN,mesh,1,2,9\r\nA1101,1,900,1,1\r\n";
  for (int i = 0; i < 900; ++i) pgn += "1\r\n";
  const mapdata::ArcTable table = test_util::ArcTableOf(arcs.c_str());
  DrawerFixture fixture("A");
  try {
    drawers::PolygonFillDraw(fixture.ctx, mapdata::FileText(pgn), table);
    FAIL() << "18 million points must not be collected";
  } catch (const base::ConversionError& e) {
    EXPECT_STREQ(e.what(), "図形の点の数が多すぎます (16777216 点まで)");
  }
}

}  // namespace
}  // namespace sheetwright::drawers
