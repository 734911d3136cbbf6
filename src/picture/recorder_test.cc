#include "picture/recorder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace sheetwright::picture {
namespace {

using ::testing::ElementsAre;

// A short name per record, with the fields the recorder's rules are about.
std::vector<std::string> Trace(const Picture& p) {
  std::vector<std::string> out;
  for (const Record& r : p.records) {
    out.push_back(std::visit(
        Overloaded{
            [](const PenRec& x) { return "pen " + std::to_string(x.width); },
            [](const BrushRec& x) { return "brush " + std::to_string(static_cast<int>(x.style)); },
            [&](const FontRec& x) { return "font " + p.Font(x)->face_name; },
            [](const TextColorRec& x) { return "textcolor " + std::to_string(x.color); },
            [](const BkColorRec& x) { return "bkcolor " + std::to_string(x.color); },
            [](const BkModeRec& x) {
              return std::string(x.mode == BkMode::kOpaque ? "opaque" : "transparent");
            },
            [](const PolylineRec& x) {
              return "polyline " + std::to_string(x.first) + "+" + std::to_string(x.count);
            },
            [](const PolygonRec& x) {
              return "polygon " + std::to_string(x.first) + "+" + std::to_string(x.count);
            },
            [](const LineRec&) { return std::string("line"); },
            [](const TextRec& x) {
              return "text " + std::to_string(x.first) + "+" + std::to_string(x.length);
            },
            [&](const LayerRec& x) { return "layer " + std::to_string(x.index); },
        },
        r));
  }
  return out;
}

TEST(RecorderTest, BrushSetsTheBackgroundModeAndFontSetsTheTextColour) {
  Picture p;
  Recorder rec(p);
  rec.SetBrush(BrushStyle::kSolid, 0x123456);
  rec.SetBrush(BrushStyle::kDiagCross, 0x00FF00);
  rec.SetBrush(BrushStyle::kNull, 0x0000FF);
  LabelFont font;
  font.face_name = "IPAGothic";
  font.color = 0x80000008;
  rec.SetFont(font);
  EXPECT_THAT(Trace(p), ElementsAre("brush 0", "opaque", "bkcolor " + std::to_string(0x123456),
                                    "brush 1", "transparent",  //
                                    "brush 2", "transparent",  //
                                    "font IPAGothic", "textcolor " + std::to_string(0x80000008)));
  EXPECT_EQ(std::get<BrushRec>(p.records[3]).color, 0x00FF00u);
  EXPECT_EQ(*p.Font(std::get<FontRec>(p.records[7])), font);
}

TEST(RecorderTest, FiguresAndTextGoIntoThePicturesBuffers) {
  Picture p;
  Recorder rec(p);
  rec.SetPen(PenStyle::kNull, 7, 0);
  const std::vector<Point> a = {{1, 2}, {3, 4}};
  const std::vector<Point> b = {{5, 6}, {7, 8}, {9, 10}};
  rec.Polyline(a);
  rec.Polygon(b);
  rec.Polyline({});
  rec.Text({11, 12}, "\x93\x8c\x8b\x9e");  // bytes kept as given
  rec.Text({13, 14}, "abc");
  rec.Line({1, 1}, {2, 2});
  auto layer = std::make_shared<const Picture>();
  rec.Layer(layer);
  EXPECT_THAT(Trace(p), ElementsAre("pen 7", "polyline 0+2", "polygon 2+3", "polyline 5+0",
                                    "text 0+4", "text 4+3", "line", "layer 0"));
  EXPECT_THAT(p.Points(2, 3), ElementsAre(Point{5, 6}, Point{7, 8}, Point{9, 10}));
  EXPECT_EQ(p.Text(std::get<TextRec>(p.records[4])), "\x93\x8c\x8b\x9e");
  EXPECT_EQ(p.Text(std::get<TextRec>(p.records[5])), "abc");
  EXPECT_EQ(std::get<TextRec>(p.records[5]).at, (Point{13, 14}));
  EXPECT_EQ(std::get<LineRec>(p.records[6]).to, (Point{2, 2}));
  EXPECT_EQ(p.Layer(std::get<LayerRec>(p.records[7])), layer.get());
}

}  // namespace
}  // namespace sheetwright::picture
