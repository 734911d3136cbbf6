#include <gtest/gtest.h>

#include <string>

#include "base/messages.h"
#include "drawers/drawer_test_util.h"
#include "drawers/drawers.h"

namespace sheetwright::drawers {
namespace {

using test_util::DrawerFixture;
using test_util::Figure;
using test_util::Polylines;

constexpr char kHeader[] = "ARC,mesh,533945,99\r\n";

struct ArcRun {
  picture::Picture picture;
  std::vector<std::string> messages;
  int steps = 0;
};

// Runs ArcDraw (or MainRoadDraw with `atr`) with layer code `code` over the header plus `body`.
ArcRun RunArcs(const std::string& code, const std::string& body,
               const mapdata::AttributeTable* atr = nullptr) {
  DrawerFixture f(code, 0x00FF00, 60);
  mapdata::FileText file(kHeader + body);
  picture::Picture picture = atr ? MainRoadDraw(f.ctx, file, *atr) : ArcDraw(f.ctx, file);
  return {std::move(picture), f.sink.messages, f.progress.steps};
}

std::string ErrorOf(const std::string& code, const std::string& body) {
  try {
    RunArcs(code, body);
  } catch (const base::ConversionError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(ArcDrawTest, DrawsEachArcOfTheClassWithTheLayerPen) {
  ArcRun run = RunArcs("L2300",
                       "L2300,1,10,2\r\n0,0\r\n1.5,2.5\r\n"
                       "L1101,1,11,2\r\n5,5\r\n6,6\r\n"          // another class
                       "L23001,3,12,3\r\n1,1\r\n1,1\r\n2,3\r\n"  // longer code: drawn
                       "l2300,1,13,2\r\n7,7\r\n8,8\r\n");        // case matters
  EXPECT_EQ(Polylines(run.picture),
            (std::vector<Figure>{{{0, 15000}, {25, 14985}},
                                 {{10, 14990}, {30, 14980}}}));  // the repeated point once
  const picture::PenRec* pen = test_util::FirstOf<picture::PenRec>(run.picture);
  ASSERT_NE(pen, nullptr);
  EXPECT_EQ(pen->style, picture::PenStyle::kSolid);
  EXPECT_EQ(pen->width, 60);
  EXPECT_EQ(pen->color, 0x00FF00u);
  EXPECT_TRUE(run.messages.empty());
  EXPECT_EQ(run.steps, 2);  // one step per arc drawn
}

TEST(ArcDrawTest, SkipsLineType5AndEmptyArcsAndDrawsLongArcsWhole) {
  std::string body = "L2300,5,1,2\r\n0,0\r\n9,9\r\nL2300,1,2,0\r\n";
  constexpr int kLong = 6000;  // more than the 5001 points the original buffer held
  body += "L2300,1,3," + std::to_string(kLong) + "\r\n";
  for (int i = 0; i < kLong; ++i) body += std::to_string(i % 1500) + "," + std::to_string(i) + "\n";
  body += "L2300,1,4,2\r\n1,1\r\n2,2";  // last line without a line break
  ArcRun run = RunArcs("L2300", body);
  std::vector<Figure> lines = Polylines(run.picture);
  ASSERT_EQ(lines.size(), 2u);
  ASSERT_EQ(lines[0].size(), static_cast<size_t>(kLong));
  EXPECT_EQ(lines[0].back(), (test_util::Xy{(kLong - 1) * 10, 15000 - (kLong - 1) % 1500 * 10}));
  EXPECT_EQ(lines[1], (Figure{{10, 14990}, {20, 14980}}));
  EXPECT_TRUE(run.messages.empty());
}

TEST(ArcDrawTest, BadRecordLineStopsTheFileAndKeepsWhatWasDrawn) {
  struct Case {
    const char* bad_line;
    const char* message;
  };
  // "東京" in Shift_JIS in the offending line: the message shows it decoded.
  const Case cases[] = {
      {"L2300,,7,2,\x93\x8c\x8b\x9e", "線種ID不正=L2300,,7,2,東京"},
      {"L2300", "線種ID不正=L2300"},
      {"L2300,1,7", "PGNファイルのレコード数不正=L2300,1,7"},
      {"L2300,1,7,", "PGNファイルのレコード数不正=L2300,1,7,"},
  };
  for (const Case& c : cases) {
    ArcRun run = RunArcs("L2300", std::string("L2300,1,1,2\r\n0,0\r\n1,1\r\n") + c.bad_line +
                                      "\r\n2,2\r\n3,3\r\nL2300,1,8,2\r\n4,4\r\n5,5\r\n");
    EXPECT_EQ(Polylines(run.picture), (std::vector<Figure>{{{0, 15000}, {10, 14990}}}))
        << c.bad_line;
    EXPECT_EQ(run.messages, std::vector<std::string>{c.message});
  }
}

TEST(ArcDrawTest, FieldsThatAreNotNumbersEndTheConversion) {
  EXPECT_EQ(ErrorOf("L2300", "L2300,x,1,2\r\n0,0\r\n1,1\r\n"), "'x' は整数ではありません");
  EXPECT_EQ(ErrorOf("L2300", "L2300,1,1,2a\r\n0,0\r\n1,1\r\n"), "'2a' は整数ではありません");
  EXPECT_EQ(ErrorOf("L2300", "L2300,1,1,2\r\n0,0\r\n1,y\r\n"), "'y' は浮動小数点数ではありません");
  // The file ends before the count is reached: the missing lines read as empty.
  EXPECT_EQ(ErrorOf("L2300", "L2300,1,1,3\r\n0,0\r\n1,1\r\n"), "'' は浮動小数点数ではありません");
  EXPECT_EQ(ErrorOf("L2300", "L2300,1,1,2000000000\r\n0,0\r\n"), "'' は浮動小数点数ではありません");
  // Only the layer's class is read: bad numbers elsewhere do no harm.
  EXPECT_EQ(ErrorOf("L2300", "L1101,x,1,2\r\n0,0\r\n1,1\r\n"), "(no error)");
}

TEST(ArcDrawTest, EmptyFileOrNoRecordOfTheClassGivesAnEmptyLayer) {
  for (const char* text : {"", "ARC,mesh,1,0\r\n", "ARC\r\nL1101,1,1,1\r\n0,0\r\n"}) {
    DrawerFixture f("L2300");
    picture::Picture picture = ArcDraw(f.ctx, mapdata::FileText(text));
    EXPECT_TRUE(Polylines(picture).empty());
    EXPECT_TRUE(f.sink.messages.empty());
  }
}

TEST(MainRoadDrawTest, DrawsOnlyArcsMarkedAsMainRoads) {
  // Arc 7: value 0 then 2 (marked); arc 8: value 0 only; arc 9: no attribute.
  mapdata::AttributeTable atr = test_util::AttributeTableOf(
      "ATR,a,b,c,4\r\nL2110,7,0\r\nL2110,8,0\r\nL2110,7,2,国道\r\nL2110,10,1,x\r\n");
  ArcRun run = RunArcs("L2110",
                       "L2110,1,7,2\r\n0,0\r\n1,1\r\n"
                       "L2110,1,8,2\r\n2,2\r\n3,3\r\n"
                       "L2110,1,9,2\r\n4,4\r\n5,5\r\n"
                       "L2110,5,10,2\r\n6,6\r\n7,7\r\n",  // marked, but line type 5
                       &atr);
  EXPECT_EQ(Polylines(run.picture), (std::vector<Figure>{{{0, 15000}, {10, 14990}}}));
  EXPECT_EQ(run.steps, 1);

  mapdata::AttributeTable empty;
  EXPECT_TRUE(Polylines(RunArcs("L2110", "L2110,1,7,2\r\n0,0\r\n1,1\r\n", &empty).picture).empty());
}

TEST(MainRoadDrawTest, ChecksLineTypeBeforeTheLookupAndTheLookupBeforeTheCount) {
  mapdata::AttributeTable atr = test_util::AttributeTableOf("ATR,a,b,c,1\r\nL2110,7,1\r\n");
  // Arc 8 is no main road, yet its missing line type is reported.
  ArcRun run = RunArcs("L2110", "L2110,,8,2\r\n", &atr);
  EXPECT_EQ(run.messages, std::vector<std::string>{"線種ID不正=L2110,,8,2"});
  // Arc 8 is no main road: its missing count is never looked at, and arc 7 after it is drawn.
  run = RunArcs("L2110", "L2110,1,8\r\nL2110,1,7,2\r\n0,0\r\n1,1\r\n", &atr);
  EXPECT_TRUE(run.messages.empty());
  EXPECT_EQ(Polylines(run.picture).size(), 1u);
  // The arc ID is needed for the lookup.
  DrawerFixture f("L2110");
  try {
    drawers::MainRoadDraw(f.ctx, mapdata::FileText("H\r\nL2110,1,,2\r\n0,0\r\n1,1\r\n"), atr);
    ADD_FAILURE() << "empty arc ID accepted";
  } catch (const base::ConversionError& e) {
    EXPECT_STREQ(e.what(), "'' は整数ではありません");
  }
}

}  // namespace
}  // namespace sheetwright::drawers
