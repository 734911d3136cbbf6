#include "drawing/svg_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <set>
#include <stdexcept>

#include "drawing/font_library.h"
#include "drawing/picture_test_util.h"
#include "drawing/svg_test_reader.h"
#include "mapdata/encoding.h"
#include "mapdata/messages.h"

namespace sheetwright::drawing {
namespace {

using svgtest::Attr;
using svgtest::Content;
using svgtest::Inherited;
using svgtest::kInkscape;
using svgtest::SvgDocument;
using ::testing::ElementsAre;
using ::testing::Pair;

constexpr ColorValue kRed = 0x0000FF, kBlue = 0xFF0000;
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

// The points a path's data visits: "M x y" then relative "l" steps, closed or not.
std::vector<Point> PathPoints(const std::string& d) {
  std::vector<Point> out;
  const char* p = d.c_str();
  char command = 0;
  std::vector<long long> numbers;
  while (*p) {
    if (*p == 'M' || *p == 'l' || *p == 'z') {
      command = *p++;
      continue;
    }
    if (*p == ' ') {
      ++p;
      continue;
    }
    char* end = nullptr;
    numbers.push_back(std::strtoll(p, &end, 10));
    if (end == p) throw std::runtime_error("bad path data: " + d);
    p = end;
    if (numbers.size() == 2) {
      Point last = out.empty() ? Point{} : out.back();
      long long x = command == 'M' ? numbers[0] : last.x + numbers[0];
      long long y = command == 'M' ? numbers[1] : last.y + numbers[1];
      out.push_back({static_cast<int32_t>(x), static_cast<int32_t>(y)});
      numbers.clear();
    }
  }
  return out;
}

class SvgWriterTest : public ::testing::Test {
 protected:
  std::string Svg(const Picture& p) { return EncodeSvg(p, 800, 600, fonts_); }
  FontLibrary fonts_;
};

TEST_F(SvgWriterTest, EveryMapLayerIsAnInkscapeLayerInDrawingOrder) {
  Builder gaiku(kFrameWidth, kFrameHeight);
  gaiku.p.id = "GAIKU_LINE", gaiku.p.label = "街区境界線";
  gaiku.Pen(kRed, 40).Polyline({{0, 0}, {100, 100}});
  Builder unnamed(kFrameWidth, kFrameHeight);
  unnamed.Polyline({{5, 5}, {6, 6}});
  Builder half(kFrameWidth / 2, kFrameHeight / 2);  // drawn over the whole frame, scaled
  half.p.id = "SUMI_LINE", half.p.label = "a<b & \"c\"";
  half.Layer(unnamed.p);
  Builder sheet(kFrameWidth, kFrameHeight);
  sheet.p.id = "SUMI_LINE", sheet.p.label = "4隅ポイント";
  sheet.Line({0, 0}, {0, 50}).Layer(gaiku.p).Layer(Picture{}).Layer(half.p);
  sheet.Line({20000, 0}, {20000, 50});  // the sheet again, above the layers
  SvgDocument svg(Svg(sheet.p));
  ASSERT_TRUE(svg.ok());

  auto layers = svgtest::Layers(svg);
  ASSERT_EQ(layers.size(), 6u);
  EXPECT_THAT(std::vector(layers.begin(), layers.begin() + 3),
              ElementsAre(Pair("SUMI_LINE", "4隅ポイント"), Pair("GAIKU_LINE", "街区境界線"),
                          Pair(::testing::StartsWith("layer"), "")));
  EXPECT_EQ(layers[4].second, "");  // unnamed, nested in the scaled one
  EXPECT_EQ(layers[3].second, "a<b & \"c\"");
  EXPECT_EQ(layers[5].second, "4隅ポイント");
  std::set<std::string> ids;
  for (const auto& [id, label] : layers) {
    EXPECT_TRUE(ids.insert(id).second) << id;
    EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(id[0])) || id[0] == '_') << id;
  }
  EXPECT_EQ(ids.size(), svg.Select("//*[@id]").size());  // no other element shares them

  // Layers sit side by side under the root but for the nested one, which sits in its scaled
  // parent; each holds just its own drawing.
  auto top = svg.Select("/s:svg/s:g[@inkscape:groupmode='layer']");
  ASSERT_EQ(top.size(), 5u);
  EXPECT_EQ(Attr(top[3], "transform"), "scale(2 2)");
  EXPECT_EQ(svg.Select("s:g[@inkscape:groupmode='layer']", top[3]).size(), 1u);
  EXPECT_EQ(Attr(top[1], "transform"), "");
  auto paths = svg.Select(".//s:path", top[1]);
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_EQ(Inherited(paths[0], "stroke"), "#ff0000");
  EXPECT_EQ(svg.Select(".//s:path", top[0]).size(), 1u);
  EXPECT_EQ(svg.Select(".//s:path", top[4]).size(), 1u);
  EXPECT_EQ(PathPoints(Attr(svg.Select(".//s:path", top[4])[0], "d")),
            (std::vector<Point>{{20000, 0}, {20000, 50}}));
}

TEST_F(SvgWriterTest, LabelsAreTextOnTheBaselineInTheirFont) {
  struct Case {
    LabelFont font;
    const char* family;
  };
  for (const Case& c :
       {Case{Label(-16, kClWindowText, kBold), "'ＭＳ Ｐゴシック','IPAPGothic',sans-serif"},
        Case{Label(-300, kRed, kItalic | kUnderline | kStrikeOut, "ＭＳ 明朝"),
             "'ＭＳ 明朝','IPAMincho',serif"},
        Case{Label(24, kBlue, 0, "DejaVu Sans"), "'DejaVu Sans',sans-serif"}}) {
    SCOPED_TRACE(c.font.face_name);
    Builder b(kFrameWidth, kFrameHeight);
    b.Back(BkMode::kTransparent).Font(c.font).Text({1200, 3400}, "新宿  中央公園 Tokyo");
    b.Back(BkMode::kOpaque, kBlue).Text({-50, 15000}, "東京");
    SvgDocument svg(Svg(b.p));
    ASSERT_TRUE(svg.ok());
    auto texts = svg.Select("//s:text");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(Content(texts[0]), "新宿  中央公園 Tokyo");  // spaces kept
    double ascent = fonts_.Ascent(c.font), size = fonts_.PixelSize(c.font);
    EXPECT_GT(ascent, 0.75 * size);  // the ascent, not the cell or the descent
    EXPECT_LT(ascent, 1.15 * size);
    EXPECT_EQ(Attr(texts[0], "x"), "1200");
    EXPECT_EQ(Attr(texts[0], "y"), std::to_string(3400 + static_cast<int>(ascent)));
    EXPECT_EQ(Attr(texts[1], "y"), std::to_string(15000 + static_cast<int>(ascent)));
    EXPECT_EQ(Inherited(texts[0], "font-family"), c.family);
    EXPECT_EQ(Inherited(texts[0], "font-size"), std::to_string(static_cast<int>(size)));
    EXPECT_EQ(Inherited(texts[0], "font-weight"), c.font.style & kBold ? "bold" : "");
    EXPECT_EQ(Inherited(texts[0], "font-style"), c.font.style & kItalic ? "italic" : "");
    EXPECT_EQ(Attr(texts[0], "text-decoration"),
              c.font.style & kUnderline ? "underline line-through" : "");
    EXPECT_EQ(Inherited(texts[0], "fill"), c.font.color == kRed    ? "#ff0000"
                                           : c.font.color == kBlue ? "#0000ff"
                                                                   : "#000000");
    EXPECT_EQ(svg.Select("/s:svg[@xml:space='preserve']").size(), 1u);
    // Only the opaque label has its measured box behind it, in the background colour.
    auto boxes = svg.Select("//s:rect[following-sibling::s:text]");
    ASSERT_EQ(boxes.size(), 1u);
    TextExtent e = fonts_.Measure(c.font, mapdata::Utf8ToCp932("東京"));
    EXPECT_EQ(Attr(boxes[0], "x"), "-50");
    EXPECT_EQ(Attr(boxes[0], "y"), "15000");
    EXPECT_EQ(Attr(boxes[0], "width"), std::to_string(e.width));
    EXPECT_EQ(Attr(boxes[0], "height"), std::to_string(e.height));
    EXPECT_EQ(Attr(boxes[0], "fill"), "#0000ff");
  }
}

TEST_F(SvgWriterTest, MarkupAndBytesOutsideCp932LeaveTheFileReadable) {
  Builder b(kFrameWidth, kFrameHeight);
  LabelFont quoted = Label(-12, 0, 0, "Font's \"<&>\" \xFF name");
  b.p.label = "\xC3(\x01";
  b.Font(quoted).Text({0, 0}, "<a href=\"x\">&amp; R&D</a>");
  for (std::string bytes : {std::string("\x81"), std::string("A\x01\x1F\x7F\tB\r\nC"),
                            std::string("\xFD\xFE\xFF\x80\xA0"), std::string("\x85\x40\xEF\xFC"),
                            std::string("\0x", 2)}) {
    b.Cp932Text({0, 100}, bytes);
  }
  std::string bytes = Svg(b.p);
  EXPECT_TRUE(mapdata::IsValidUtf8(bytes));
  SvgDocument svg(bytes);
  ASSERT_TRUE(svg.ok());
  auto texts = svg.Select("//s:text");
  ASSERT_EQ(texts.size(), 6u);
  EXPECT_EQ(Content(texts[0]), "<a href=\"x\">&amp; R&D</a>");
  EXPECT_EQ(Content(texts[1]), "\uFFFD");
  // Tab and line breaks come back as they were; other control bytes are replaced.
  EXPECT_EQ(Content(texts[2]), "A\uFFFD\uFFFD\x7F\tB\r\nC");
  EXPECT_EQ(Content(texts[5]), "\uFFFDx");
  EXPECT_EQ(Inherited(texts[0], "font-family"), "'Font\\'s \"<&>\" \uFFFD name',sans-serif");
  EXPECT_EQ(svgtest::Layers(svg)[0].second, "\uFFFD(\uFFFD");
}

TEST_F(SvgWriterTest, FillsAreEvenOddAndTheHatchIsAPatternPerColour) {
  Builder b(kFrameWidth, kFrameHeight);
  b.Pen(kRed, 100).Brush(kBlue).Polygon({{0, 0}, {100, 0}, {100, 100}});
  b.Back(BkMode::kTransparent).Brush(kRed, BrushStyle::kDiagCross);
  b.Polygon({{0, 0}, {10, 0}, {10, 10}}).Polygon({{50, 0}, {60, 0}, {60, 10}});
  b.Back(BkMode::kOpaque, 0x00FF00).Polygon({{0, 0}, {20, 0}, {20, 20}});  // gaps filled
  b.Pen(0, 1, PenStyle::kNull).Brush(0, BrushStyle::kNull).Polygon({{0, 0}, {1, 0}, {1, 1}});
  b.Brush(kBlue).Polygon({{0, 0}, {3, 0}, {3, 3}});
  b.Pen(0, 0).Brush(0, BrushStyle::kNull).Polygon({{0, 0}, {7, 0}, {7, 7}});
  SvgDocument svg(Svg(b.p));
  ASSERT_TRUE(svg.ok());
  auto polygons = svg.Select("//s:path[contains(@d,'z')]");
  ASSERT_EQ(polygons.size(), 6u);  // a polygon with neither pen nor brush draws nothing
  for (xmlNodePtr p : polygons) EXPECT_EQ(Inherited(p, "fill-rule"), "evenodd");
  EXPECT_EQ(Inherited(polygons[0], "fill"), "#0000ff");
  EXPECT_EQ(Inherited(polygons[0], "stroke-width"), "100");
  EXPECT_EQ(Inherited(polygons[0], "stroke-linejoin"), "round");
  EXPECT_EQ(Inherited(polygons[4], "fill"), "#0000ff");
  EXPECT_EQ(Inherited(polygons[4], "stroke"), "");
  EXPECT_EQ(Inherited(polygons[5], "fill"), "none");  // outline only, never thinner than a point
  EXPECT_EQ(Inherited(polygons[5], "stroke-width"), "25");
  EXPECT_EQ(PathPoints(Attr(polygons[3], "d")), (std::vector<Point>{{0, 0}, {20, 0}, {20, 20}}));

  std::string transparent = Inherited(polygons[1], "fill");
  EXPECT_EQ(Inherited(polygons[2], "fill"), transparent);
  std::string opaque = Inherited(polygons[3], "fill");
  EXPECT_NE(opaque, transparent);
  auto patterns = svg.Select("//s:pattern");
  ASSERT_EQ(patterns.size(), 2u);
  for (xmlNodePtr pattern : patterns) {
    std::string url = "url(#" + Attr(pattern, "id") + ")";
    EXPECT_TRUE(url == transparent || url == opaque) << url;
    EXPECT_EQ(Attr(pattern, "patternUnits"), "userSpaceOnUse");
    EXPECT_EQ(Attr(pattern, "width"), "200");  // 8 points
    auto lines = svg.Select("s:path", pattern);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Attr(lines[0], "stroke"), "#ff0000");
    auto background = svg.Select("s:rect", pattern);
    if (url == opaque) {
      ASSERT_EQ(background.size(), 1u);
      EXPECT_EQ(Attr(background[0], "fill"), "#00ff00");
    } else {
      EXPECT_TRUE(background.empty());
    }
  }
}

TEST_F(SvgWriterTest, LinesKeepTheirPointsAndWhatDrawsNothingIsLeftOut) {
  Builder b(kFrameWidth, kFrameHeight);
  b.Pen(kBlue, 3).Polyline({{kMin, kMax}, {kMax, kMin}, {0, 0}, {-5, 7}, {-5, -9}, {12, -9}});
  b.Polyline({{7, 7}}).Polyline({{8, 8}, {8, 8}, {8, 8}}).Line({9, 9}, {9, 9}).Polygon({{1, 1}});
  b.Add(PolylineRec{1000, 2}).Add(PolygonRec{0, 0xFFFFFFFFu}).Add(TextRec{{0, 0}, 3, 100});
  b.Add(LayerRec{9}).Add(FontRec{4}).Text({0, 0}, "");
  b.Pen(kBlue, 3, PenStyle::kNull).Line({0, 0}, {5, 5});
  b.Pen(kBlue, 3).Line({0, 0}, {5, 5});
  Picture no_frame;
  no_frame.width = 0;
  b.Layer(no_frame);
  SvgDocument svg(Svg(b.p));
  ASSERT_TRUE(svg.ok());
  auto paths = svg.Select("//s:path");
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_EQ(PathPoints(Attr(paths[0], "d")),
            (std::vector<Point>{{kMin, kMax}, {kMax, kMin}, {0, 0}, {-5, 7}, {-5, -9}, {12, -9}}));
  EXPECT_EQ(Inherited(paths[0], "fill"), "none");
  EXPECT_EQ(Inherited(paths[0], "stroke-linecap"), "round");
  EXPECT_EQ(Inherited(paths[0], "stroke-width"), "25");
  EXPECT_EQ(PathPoints(Attr(paths[1], "d")), (std::vector<Point>{{0, 0}, {5, 5}}));
  // The two lines share the group of their pen.
  EXPECT_EQ(paths[0]->parent, paths[1]->parent);
  EXPECT_EQ(svg.Select("//s:text").size(), 0u);
  EXPECT_EQ(svgtest::Layers(svg).size(), 1u);
}

TEST_F(SvgWriterTest, DocumentIsStreamedInChunksAndTheSameEachTime) {
  Builder b(kFrameWidth, kFrameHeight);
  for (int i = 0; i < 20000; ++i) b.Polyline({{i, 0}, {i, 15000}});
  b.Font(Label(-12, 0)).Text({10, 10}, "東京");
  std::vector<std::string> chunks;
  WriteSvg(b.p, 400, 300, fonts_, [&](std::string_view c) { chunks.emplace_back(c); });
  ASSERT_GT(chunks.size(), 5u);
  std::string whole;
  for (size_t i = 0; i < chunks.size(); ++i) {
    if (i + 1 < chunks.size()) {
      EXPECT_GE(chunks[i].size(), 64u * 1024);
    }
    EXPECT_LT(chunks[i].size(), 66u * 1024);
    whole += chunks[i];
  }
  EXPECT_EQ(whole, EncodeSvg(b.p, 400, 300, fonts_));
  SvgDocument svg(whole);
  ASSERT_TRUE(svg.ok());
  auto root = svg.Select("/s:svg");
  ASSERT_EQ(root.size(), 1u);
  EXPECT_EQ(Attr(root[0], "width"), "400pt");
  EXPECT_EQ(Attr(root[0], "height"), "300pt");
  EXPECT_EQ(Attr(root[0], "viewBox"), "0 0 20000 15000");
  EXPECT_EQ(Inherited(svg.Select("//s:path")[0], "stroke-width"), "50");  // a point at 400 pt

  int calls = 0;
  auto failing = [&](std::string_view) {
    if (++calls == 2) throw std::runtime_error("disk full");
  };
  EXPECT_THROW(WriteSvg(b.p, 400, 300, fonts_, failing), std::runtime_error);
  EXPECT_EQ(calls, 2);
  EXPECT_THROW(EncodeSvg(b.p, 0, 300, fonts_), mapdata::ConversionError);
}

}  // namespace
}  // namespace sheetwright::drawing
