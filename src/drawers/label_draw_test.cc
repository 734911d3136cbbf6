#include <gtest/gtest.h>

#include <string>

#include "base/messages.h"
#include "drawers/drawer_test_util.h"
#include "drawers/drawers.h"

namespace sheetwright::drawers {
namespace {

using test_util::DrawerFixture;
using test_util::Label;
using test_util::Labels;
using Messages = std::vector<std::string>;

enum class Drawer { kAtr, kPoint };

// Label points in map units (northward, eastward): polygon / point 1 at (1400, 100), i.e. drawing
// units (1000, 1000); 2 at (1480, 10), i.e. (100, 200); 3 at (1600, 100), north of the sheet, i.e.
// (1000, -1000); 4 with an easting that is not a number.
const char kPolygons[] =
    "PGN,m,1,2,4\r\nA1100,1,1,1400,100\r\n1\r\nA1100,2,1,1480,10\r\nA6243,3,0,1600,100\r\n"
    "A1100,4,0,1400,east\r\n";
const char kPoints[] =
    "PNT,m,1,2,4\r\nP2420,1,1400,100\r\nP2420,2,1480,10\r\nP2420,3,1600,100\r\n"
    "P2420,4,1400,east\r\n";

struct LabelRun {
  picture::Picture picture;
  Messages messages;
};

// Runs a label drawer over the header plus `body` with fixed metrics (width per byte, height).
LabelRun RunLabels(Drawer drawer, const std::string& body, int field = 3,
                   const std::string& code = "A", int32_t byte_width = 10, int32_t height = 20) {
  static const mapdata::PolyTable polygons = test_util::PolyTableOf(kPolygons);
  static const mapdata::PolyTable points = test_util::PointTableOf(kPoints);
  DrawerFixture f(code);
  f.metrics = picture::test_util::FixedMetrics(byte_width, height);
  f.ctx.state.font.face_name = "IPAGothic";
  f.ctx.state.font.height = -16;
  mapdata::FileText file("HEADER,m,1,2,9\r\n" + body);
  picture::Picture picture = drawer == Drawer::kAtr ? PolygonNameDraw(f.ctx, file, field, polygons)
                                                    : PointNameDraw(f.ctx, file, field, points);
  return {std::move(picture), f.sink.messages};
}

std::vector<Label> LabelsOf(Drawer drawer, const std::string& body, int field = 3) {
  LabelRun run = RunLabels(drawer, body, field);
  EXPECT_TRUE(run.messages.empty()) << body;
  return Labels(run.picture);
}

TEST(LabelDrawTest, PlacementCentresAndPushesOntoTheSheet) {
  struct Case {
    Drawer drawer;
    const char* line;
    int32_t byte_width, height;
    Label expected;
  };
  const Case cases[] = {
      {Drawer::kAtr, "A1100,1,ABC", 10, 20, {{985, 990}, "ABC"}},
      {Drawer::kPoint, "A1100,1,ABC", 10, 20, {{985, 1000}, "ABC"}},
      // Odd extents: the halves truncate (9 / 2 = 4, 13 / 2 = 6).
      {Drawer::kAtr, "A1100,1,ABC", 3, 13, {{996, 994}, "ABC"}},
      {Drawer::kPoint, "A1100,1,ABC", 3, 13, {{996, 1000}, "ABC"}},
      // A name of 300 x 40 at (100, 200).
      {Drawer::kAtr, "A1100,2,ABCDEFGHIJ", 30, 40, {{0, 180}, "ABCDEFGHIJ"}},
      {Drawer::kPoint, "A1100,2,ABCDEFGHIJ", 30, 40, {{0, 200}, "ABCDEFGHIJ"}},
      // North of the sheet: the polygon name is pushed down to the top edge, the point name is not.
      {Drawer::kAtr, "A1100,3,AB", 10, 20, {{990, 0}, "AB"}},
      {Drawer::kPoint, "A1100,3,AB", 10, 20, {{990, -1000}, "AB"}},
  };
  for (const Case& c : cases) {
    LabelRun run =
        RunLabels(c.drawer, std::string(c.line) + "\r\n", 3, "A", c.byte_width, c.height);
    EXPECT_EQ(Labels(run.picture), std::vector<Label>{c.expected})
        << c.line << (c.drawer == Drawer::kAtr ? " PolygonNameDraw" : " PointNameDraw");
  }
}

TEST(LabelDrawTest, NameBuilding) {
  struct Case {
    Drawer drawer;
    int field;
    const char* line;
    const char* name;  // "" when nothing is written
  };
  const Case cases[] = {
      // Two fields joined without separator; blanks inside kept, both ends trimmed.
      {Drawer::kAtr, 3, "A1100,1,  AB ,CD\t ,x", "AB CD"},
      {Drawer::kAtr, 3, "A1100,1,NAME,", "NAME"},  // empty second field
      {Drawer::kAtr, 3, "A1100,1,NAME", "NAME"},   // missing second field
      {Drawer::kAtr, 3, "A1100,1,,NAME", "NAME"},
      {Drawer::kAtr, 3, "A1100,1,\x1f\x01 X \x7f\x1f", "X \x7f"},  // 127 is no blank
      // A negative field number takes that one field.
      {Drawer::kAtr, -4, "A1100,1,3, 12-3 ,99", "12-3"},
      {Drawer::kPoint, 4, "A1100,1,3, 12-3 ,99", "12-3 99"},
      {Drawer::kPoint, -4, "A1100,1,3, 12-3 ,99", ""},
      // Shift_JIS bytes ("東京", "ソ" with trail byte 0x5C) pass unchanged.
      {Drawer::kAtr, 3, "A1100,1,\x93\x8c\x8b\x9e,\x83\x5c", "\x93\x8c\x8b\x9e\x83\x5c"},
      {Drawer::kAtr, 3, "A1100,1, \t ,  ", ""},
  };
  for (const Case& c : cases) {
    std::vector<Label> labels = LabelsOf(c.drawer, std::string(c.line) + "\r\n", c.field);
    if (*c.name == '\0') {
      EXPECT_TRUE(labels.empty()) << c.line;
    } else {
      ASSERT_EQ(labels.size(), 1u) << c.line;
      EXPECT_EQ(labels[0].bytes, c.name) << c.line;
    }
  }
}

TEST(LabelDrawTest, SelectsTheLayerClassAndWritesInTheLayerFont) {
  LabelRun run =
      RunLabels(Drawer::kAtr, "A6242,1,PARK\r\nA6243,1,SCHOOL\r\nA6243,1,SCHOOL\r\nL6243,1,NO\r\n",
                3, "A6243");
  // Two lines for the same polygon write the name twice at the same place.
  EXPECT_EQ(Labels(run.picture),
            (std::vector<Label>{{{970, 990}, "SCHOOL"}, {{970, 990}, "SCHOOL"}}));
  const picture::BrushRec* brush = test_util::FirstOf<picture::BrushRec>(run.picture);
  const picture::FontRec* font = test_util::FirstOf<picture::FontRec>(run.picture);
  ASSERT_TRUE(brush && font);
  EXPECT_EQ(brush->style, picture::BrushStyle::kDiagCross);  // text on a transparent background
  EXPECT_EQ(run.picture.Font(*font)->face_name, "IPAGothic");
  EXPECT_EQ(run.picture.Font(*font)->height, -16);
}

TEST(LabelDrawTest, BadRecordLineStopsTheLayerAndKeepsTheNamesBefore) {
  struct Case {
    const char* bad_line;
    const char* message;
  };
  const Case cases[] = {
      {"A1100,,NAME", "PGNファイルのPID不正=A1100,,NAME"},
      {"A1100", "PGNファイルのPID不正=A1100"},
      {"A1100,42,NAME", "ATRID-NOTFOUND=42"},
      {"A1100, 42,NAME", "ATRID-NOTFOUND= 42"},  // field 2 as written
  };
  for (Drawer drawer : {Drawer::kAtr, Drawer::kPoint}) {
    for (const Case& c : cases) {
      LabelRun run =
          RunLabels(drawer, std::string("A1100,1,ONE\r\n") + c.bad_line + "\r\nA1100,2,TWO\r\n");
      std::vector<Label> labels = Labels(run.picture);
      ASSERT_EQ(labels.size(), 1u) << c.bad_line;
      EXPECT_EQ(labels[0].bytes, "ONE");
      EXPECT_EQ(run.messages, Messages{c.message});
    }
  }
}

TEST(LabelDrawTest, FieldsThatAreNotNumbersEndTheConversion) {
  struct Case {
    Drawer drawer;
    const char* line;
    const char* error;
  };
  const Case cases[] = {
      {Drawer::kAtr, "A1100,x1,NAME", "'x1' は整数ではありません"},
      {Drawer::kPoint, "A1100,x1,NAME", "'x1' は整数ではありません"},
      {Drawer::kAtr, "A1100,4,NAME", "'east' は浮動小数点数ではありません"},
      {Drawer::kPoint, "A1100,4,NAME", "'east' は浮動小数点数ではありません"},
      // The label point is mapped even when the name is empty.
      {Drawer::kAtr, "A1100,4,", "'east' は浮動小数点数ではありません"},
  };
  for (const Case& c : cases) {
    try {
      RunLabels(c.drawer, std::string(c.line) + "\r\n");
      ADD_FAILURE() << "no error for " << c.line;
    } catch (const base::ConversionError& e) {
      EXPECT_STREQ(e.what(), c.error);
    }
  }
}

}  // namespace
}  // namespace sheetwright::drawers
