#include "output/playback.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace sheetwright::output {
namespace {

using picture::Point;

// Writes down what it is asked to draw, with the pen width and font height it is drawn with.
struct Recording {
  std::vector<std::string> calls;
  bool held = false;  // lines not yet ended

  std::string With(const picture::DcState& dc) {
    return " pen " + std::to_string(dc.pen.width) + " font " + std::to_string(dc.font.height);
  }
  void Polyline(std::span<const Point> p, const picture::DcState& dc) {
    calls.push_back("polyline " + std::to_string(p.size()) + With(dc));
    held = true;
  }
  void Line(Point, Point, const picture::DcState& dc) {
    calls.push_back("line" + With(dc));
    held = true;
  }
  void Polygon(std::span<const Point> p, const picture::DcState& dc) {
    calls.push_back("polygon " + std::to_string(p.size()) + With(dc));
  }
  void Text(Point, std::string_view bytes, const picture::DcState& dc) {
    calls.push_back("text " + std::string(bytes) + With(dc));
  }
  void EnterLayer(const LayerFrame& f) {
    calls.push_back("enter " + std::to_string(f.sx) + " " + std::to_string(f.sy) + " depth " +
                    std::to_string(f.depth));
  }
  void LeaveLayer(const LayerFrame&) { calls.push_back("leave"); }
  void EndOfLines(const picture::DcState&) {
    if (held) calls.push_back("end");
    held = false;
  }
};

struct AsRecorded : Recording {
  static constexpr PlayRules kRules{.every_figure = true, .layers_start_anew = true};
};

std::shared_ptr<picture::Picture> Layer(int32_t width, int32_t height) {
  auto layer = std::make_shared<picture::Picture>();
  layer->width = width;
  layer->height = height;
  return layer;
}

TEST(Playback, LayersNestTheStateAndScaleBetweenFrames) {
  picture::Picture sheet;
  sheet.points = {{0, 0}, {5, 5}};
  sheet.fonts.resize(1);
  sheet.fonts[0].height = 30;
  auto outer = Layer(10000, 5000);  // drawn at twice and three times its size
  auto inner = Layer(10000, 5000);
  outer->points = {{1, 1}, {2, 2}, {3, 3}};
  outer->layers = {inner};
  outer->records = {picture::PenRec{.width = 7}, picture::PolylineRec{0, 3}, picture::LayerRec{0},
                    picture::LineRec{{0, 0}, {1, 0}}};
  inner->records = {picture::PenRec{.width = 9}, picture::LineRec{{0, 0}, {1, 0}}};
  sheet.layers = {outer};
  sheet.records = {picture::PenRec{.width = 3},      picture::FontRec{0},
                   picture::LineRec{{0, 0}, {1, 1}}, picture::LayerRec{0},
                   picture::PolygonRec{0, 2},        picture::TextRec{{0, 0}, 0, 0}};
  Recording device;
  EXPECT_TRUE(Play(sheet, device));
  EXPECT_EQ(device.calls, (std::vector<std::string>{
                              "line pen 3 font 30", "end", "enter 2.000000 3.000000 depth 1",
                              "polyline 3 pen 7 font 30", "end", "enter 1.000000 1.000000 depth 2",
                              "line pen 9 font 30", "end", "leave", "line pen 7 font 30", "end",
                              "leave", "polygon 2 pen 3 font 30", "text  pen 3 font 30"}));
}

TEST(Playback, PassesOverWhatLiesOutsideTheBuffersAndWhatDrawsNothing) {
  picture::Picture sheet;
  sheet.points = {{4, 4}, {4, 4}, {6, 6}};
  sheet.text = "ab";
  sheet.layers = {Layer(0, 100)};
  sheet.records = {
      picture::PolylineRec{2, 2},     picture::PolygonRec{4, 0},
      picture::TextRec{{0, 0}, 1, 2}, picture::FontRec{1},
      picture::LayerRec{1},           picture::LayerRec{0},  // zero width
      picture::PolylineRec{0, 2},     picture::LineRec{{1, 1}, {1, 1}},
      picture::PolygonRec{2, 1},      picture::TextRec{{0, 0}, 1, 1},
  };
  Recording drawn;
  Play(sheet, drawn);
  EXPECT_EQ(drawn.calls, (std::vector<std::string>{"text b pen 1 font -12"}));
  AsRecorded recorded;  // every figure and layer within the buffers
  Play(sheet, recorded);
  EXPECT_EQ(recorded.calls,
            (std::vector<std::string>{"enter inf 150.000000 depth 1", "leave",
                                      "polyline 2 pen 1 font -12", "line pen 1 font -12", "end",
                                      "polygon 1 pen 1 font -12", "text b pen 1 font -12"}));
}

TEST(Playback, AViewLeavesOutWhatCannotShowAndStopsWhenAborted) {
  picture::Picture sheet;
  for (int i = 0; i < 600; ++i) sheet.records.emplace_back(picture::LineRec{{i, 0}, {i, 10}});
  sheet.records.emplace_back(picture::LineRec{{5000, 5000}, {5001, 5000}});
  PlayView view{ViewBox{0, 0, 1000, 1000}, 1, [] { return false; }};
  Recording device;
  EXPECT_TRUE(Play(sheet, device, &view));
  EXPECT_EQ(std::count(device.calls.begin(), device.calls.end(), "line pen 1 font -12"), 600);
  int asked = 0;
  view.abort = [&] { return ++asked > 2; };  // stops at the third run of figures
  Recording stopped;
  EXPECT_FALSE(Play(sheet, stopped, &view));
  EXPECT_EQ(std::count(stopped.calls.begin(), stopped.calls.end(), "line pen 1 font -12"),
            2 * PlayView::kFiguresPerCheck);
}

}  // namespace
}  // namespace sheetwright::output
