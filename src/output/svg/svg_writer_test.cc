#include "output/svg/svg_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <regex>
#include <set>
#include <stdexcept>

#include "base/encoding.h"
#include "base/messages.h"
#include "output/svg/svg_reader_test_util.h"
#include "picture/font_library.h"
#include "picture/picture_test_util.h"

namespace sheetwright::output {
namespace {

using svgtest::Attr;
using svgtest::Inherited;
using svgtest::SvgDocument;
using ::testing::ElementsAre;
using ::testing::Pair;

constexpr picture::ColorValue kRed = 0x0000FF, kBlue = 0xFF0000;
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

// The points a path's data visits: the first absolute, the others relative steps.
std::vector<picture::Point> PathPoints(const std::string& d) {
  std::vector<picture::Point> out;
  std::vector<int64_t> n;
  std::regex number("-?[0-9]+");
  for (std::sregex_iterator it(d.begin(), d.end(), number), end; it != end; ++it) {
    n.push_back(std::stoll(it->str()));
  }
  for (size_t i = 0; i + 1 < n.size(); i += 2) {
    int64_t x = out.empty() ? n[i] : out.back().x + n[i];
    int64_t y = out.empty() ? n[i + 1] : out.back().y + n[i + 1];
    EXPECT_TRUE(x == static_cast<int32_t>(x) && y == static_cast<int32_t>(y)) << x << "," << y;
    out.push_back({static_cast<int32_t>(x), static_cast<int32_t>(y)});
  }
  return out;
}

std::string Content(xmlNodePtr node) {
  xmlChar* v = xmlNodeGetContent(node);
  std::string out = reinterpret_cast<const char*>(v);
  xmlFree(v);
  return out;
}

class SvgWriterTest : public ::testing::Test {
 protected:
  std::string Svg(const picture::Picture& p) { return EncodeSvg(p, 800, 600, fonts_); }
  picture::FontLibrary fonts_;
};

TEST_F(SvgWriterTest, EveryLayerIsAnInkscapeLayerInDrawingOrderWithAUniqueId) {
  picture::Builder gaiku(picture::kFrameWidth, picture::kFrameHeight),
      unnamed(picture::kFrameWidth, picture::kFrameHeight);
  gaiku.p.id = "GAIKU_LINE", gaiku.p.label = "街区境界線";
  gaiku.Pen(kRed, 40).Polyline({{0, 0}, {100, 100}});
  unnamed.Polyline({{5, 5}, {6, 6}});
  picture::Builder half(picture::kFrameWidth / 2,
                        picture::kFrameHeight / 2);  // drawn over the whole frame, scaled
  half.p.id = "SUMI_LINE", half.p.label = "a<b & \"c\"";
  half.Layer(unnamed.p);
  picture::Builder sheet(picture::kFrameWidth, picture::kFrameHeight);
  sheet.p.id = "SUMI_LINE", sheet.p.label = "4隅ポイント";
  sheet.Line({0, 0}, {0, 50}).Layer(gaiku.p).Layer(picture::Picture{}).Layer(half.p);
  sheet.Line({20000, 0}, {20000, 50});  // the sheet again, above the layers
  SvgDocument svg(Svg(sheet.p));
  ASSERT_TRUE(svg.ok());

  auto layers = svg.Layers();
  EXPECT_THAT(layers, ElementsAre(Pair("background", "背景"), Pair("SUMI_LINE", "4隅ポイント"),
                                  Pair("GAIKU_LINE", "街区境界線"), Pair(::testing::_, ""),
                                  Pair(::testing::_, "a<b & \"c\""), Pair(::testing::_, ""),
                                  Pair(::testing::_, "4隅ポイント")));
  std::set<std::string> ids;
  for (const auto& [id, label] : layers) {
    EXPECT_TRUE(ids.insert(id).second) << id;
    EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(id[0])) || id[0] == '_') << id;
  }
  // Side by side under the root but for the nested one; each holds just its own drawing.
  auto top = svg.Select("/s:svg/s:g[@inkscape:groupmode='layer']");
  ASSERT_EQ(top.size(), 6u);
  EXPECT_EQ(Attr(top[4], "transform"), "scale(2 2)");
  EXPECT_EQ(svg.Select("s:g[@inkscape:groupmode='layer']", top[4]).size(), 1u);
  for (int i : {1, 2, 5}) EXPECT_EQ(svg.Select(".//s:path", top[i]).size(), 1u) << i;
  EXPECT_EQ(Inherited(svg.Select(".//s:path", top[2])[0], "stroke"), "#ff0000");
  // The paper is a locked layer below the map, holding nothing else; the map's layers are open.
  EXPECT_EQ(Attr(top[0], "insensitive"), "true");
  auto paper = svg.Select("*", top[0]);
  ASSERT_EQ(paper.size(), 1u);
  EXPECT_EQ(Attr(paper[0], "width") + " " + Attr(paper[0], "height") + " " + Attr(paper[0], "fill"),
            "20000 15000 #ffffff");
  for (size_t i = 1; i < top.size(); ++i) EXPECT_EQ(Attr(top[i], "insensitive"), "") << i;
}

TEST_F(SvgWriterTest, LabelsAreTextOnTheBaselineInTheirFont) {
  struct Case {
    picture::LabelFont font;
    const char* family;
    const char* fill;
  };
  for (const Case& c :
       {Case{picture::Label(-16, picture::kClWindowText, picture::kBold),
             "'ＭＳ Ｐゴシック','IPAPGothic',sans-serif", "#000000"},
        Case{
            picture::Label(-300, kRed, picture::kItalic | picture::kUnderline | picture::kStrikeOut,
                           "ＭＳ 明朝"),
            "'ＭＳ 明朝','IPAMincho',serif", "#ff0000"},
        Case{picture::Label(24, kBlue, 0, "DejaVu Sans"), "'DejaVu Sans','IPAPGothic',sans-serif",
             "#0000ff"}}) {
    SCOPED_TRACE(c.font.face_name);
    picture::Builder b(picture::kFrameWidth, picture::kFrameHeight);
    b.Back(picture::BkMode::kTransparent).Font(c.font).Text({1200, 3400}, "新宿  中央公園 Tokyo");
    b.Back(picture::BkMode::kOpaque, kBlue).Text({-50, 15000}, "東京");
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
    EXPECT_EQ(Inherited(texts[0], "font-family"), c.family);
    EXPECT_EQ(Inherited(texts[0], "font-size"), std::to_string(static_cast<int>(size)));
    EXPECT_EQ(Inherited(texts[0], "font-weight"), c.font.style & picture::kBold ? "bold" : "");
    EXPECT_EQ(Inherited(texts[0], "font-style"), c.font.style & picture::kItalic ? "italic" : "");
    EXPECT_EQ(Attr(texts[0], "text-decoration"),
              c.font.style & picture::kUnderline ? "underline line-through" : "");
    EXPECT_EQ(Inherited(texts[0], "fill"), c.fill);
    // Only the label whose spaces a reader would fold keeps them by xml:space.
    EXPECT_EQ(svg.Select("//*[@xml:space='preserve']").size(), 1u);
    EXPECT_EQ(Attr(texts[0], "space"), "preserve");
    // Only the opaque label has its measured box behind it, in the background colour.
    auto boxes = svg.Select("//s:rect[following-sibling::s:text]");
    ASSERT_EQ(boxes.size(), 1u);
    picture::TextExtent e = fonts_.Measure(c.font, base::Utf8ToCp932("東京"));
    EXPECT_EQ(Attr(boxes[0], "x") + " " + Attr(boxes[0], "y") + " " + Attr(boxes[0], "width") +
                  " " + Attr(boxes[0], "height") + " " + Attr(boxes[0], "fill"),
              "-50 15000 " + std::to_string(e.width) + " " + std::to_string(e.height) + " #0000ff");
  }
}

TEST_F(SvgWriterTest, MarkupAndBytesOutsideCp932LeaveTheFileReadable) {
  picture::Builder b(picture::kFrameWidth, picture::kFrameHeight);
  b.p.label = "\xC3(\x01";
  b.Font(picture::Label(-12, 0, 0, "Font's \"<&>\" \xFF name"))
      .Text({0, 0}, "<a href=\"x\">&amp; R&D</a>");
  for (std::string bytes :
       {std::string("\x81"), std::string("A\x01\x1F\x7F\tB\r\nC"),
        std::string("\xFD\xFE\xFF\x80\xA0\x85\x40\xEF\xFC"), std::string("\0x", 2)}) {
    b.Cp932Text({0, 100}, bytes);
  }
  std::string bytes = Svg(b.p);
  EXPECT_TRUE(base::IsValidUtf8(bytes));
  SvgDocument svg(bytes);
  ASSERT_TRUE(svg.ok());
  auto texts = svg.Select("//s:text");
  ASSERT_EQ(texts.size(), 5u);
  EXPECT_EQ(Content(texts[0]), "<a href=\"x\">&amp; R&D</a>");
  EXPECT_EQ(Content(texts[1]), "\uFFFD");
  // Control bytes are left out, as every renderer leaves them out.
  EXPECT_EQ(Content(texts[2]), "ABC");
  EXPECT_EQ(Content(texts[4]), "x");
  EXPECT_EQ(Inherited(texts[0], "font-family"),
            "'Font\\'s \"<&>\" \uFFFD name','IPAPGothic',sans-serif");
  EXPECT_EQ(svg.Layers()[1].second, "\uFFFD(\uFFFD");
}

TEST_F(SvgWriterTest, FiguresKeepTheirPointsPensBrushesAndSkipRules) {
  picture::Builder b(picture::kFrameWidth, picture::kFrameHeight);
  b.Pen(kBlue, 3).Polyline({{kMin, kMax}, {kMax, kMin}, {0, 0}, {-5, 7}, {-5, -9}, {12, -9}});
  // Nothing to draw: one point, a still line, a damaged record, a null pen.
  b.Polyline({{8, 8}, {8, 8}})
      .Line({9, 9}, {9, 9})
      .Polygon({{1, 1}})
      .Add(picture::PolylineRec{1000, 2});
  b.Add(picture::PolygonRec{0, 0xFFFFFFFFu})
      .Add(picture::TextRec{{0, 0}, 3, 100})
      .Add(picture::LayerRec{9})
      .Text({0, 0}, "");
  b.Pen(kBlue, 3, picture::PenStyle::kNull)
      .Line({0, 0}, {5, 5})
      .Brush(0, picture::BrushStyle::kNull);
  b.Polygon({{0, 0}, {1, 0}, {1, 1}});
  b.Pen(kRed, 100).Brush(kBlue).Polygon({{0, 0}, {100, 0}, {100, 100}});
  b.Back(picture::BkMode::kTransparent).Brush(kRed, picture::BrushStyle::kDiagCross);
  b.Polygon({{0, 0}, {10, 0}, {10, 10}}).Polygon({{50, 0}, {60, 0}, {60, 10}});
  b.Back(picture::BkMode::kOpaque, 0x00FF00).Polygon({{0, 0}, {20, 0}, {20, 20}});  // gaps filled
  b.Pen(0, 0).Brush(0, picture::BrushStyle::kNull).Polygon({{0, 0}, {7, 0}, {7, 7}});
  SvgDocument svg(Svg(b.p));
  ASSERT_TRUE(svg.ok());
  auto paths = svg.Select("//s:path[not(ancestor::s:pattern)]");
  ASSERT_EQ(paths.size(), 6u);
  EXPECT_EQ(PathPoints(Attr(paths[0], "d")),
            (std::vector<picture::Point>{
                {kMin, kMax}, {kMax, kMin}, {0, 0}, {-5, 7}, {-5, -9}, {12, -9}}));
  EXPECT_EQ(Inherited(paths[0], "fill"), "none");
  EXPECT_EQ(Inherited(paths[0], "stroke-linecap"), "round");
  EXPECT_EQ(Inherited(paths[0], "stroke-width"), "10");  // the 0.4-pt floor, not the 3-unit pen
  for (size_t i = 1; i < paths.size(); ++i) {
    EXPECT_EQ(Inherited(paths[i], "fill-rule"), "evenodd");
    EXPECT_EQ(Attr(paths[i], "d").back(), 'z');
  }
  EXPECT_EQ(Inherited(paths[1], "fill"), "#0000ff");
  EXPECT_EQ(Inherited(paths[1], "stroke-width"), "100");
  EXPECT_EQ(Inherited(paths[5], "fill"), "none");
  EXPECT_EQ(Inherited(paths[5], "stroke-width"), "10");

  // One pattern per hatch colour and background, laid in drawing units from the origin.
  std::string transparent = Inherited(paths[2], "fill"), opaque = Inherited(paths[4], "fill");
  EXPECT_EQ(Inherited(paths[3], "fill"), transparent);
  auto patterns = svg.Select("//s:pattern");
  ASSERT_EQ(patterns.size(), 2u);
  EXPECT_EQ("url(#" + Attr(patterns[0], "id") + ")", transparent);
  EXPECT_EQ("url(#" + Attr(patterns[1], "id") + ")", opaque);
  for (xmlNodePtr pattern : patterns) {
    EXPECT_EQ(Attr(pattern, "patternUnits"), "userSpaceOnUse");
    EXPECT_EQ(Attr(pattern, "width"), "200");  // 8 points
    EXPECT_EQ(Attr(svg.Select("s:path", pattern).at(0), "stroke"), "#ff0000");
  }
  EXPECT_TRUE(svg.Select("s:rect", patterns[0]).empty());
  EXPECT_EQ(Attr(svg.Select("s:rect", patterns[1]).at(0), "fill"), "#00ff00");
}

TEST_F(SvgWriterTest, ARunOfLinesUnderOnePenIsOnePathOfChains) {
  picture::Builder b(picture::kFrameWidth, picture::kFrameHeight);
  b.Pen(kRed, 40).Line({0, 0}, {10, 0}).Polyline({{10, 0}, {10, 10}, {20, 10}});
  b.Line({30, 30}, {40, 40}).Line({0, 5}, {0, 0});
  b.Pen(kBlue, 40).Line({10, 10}, {0, 0});
  b.Pen(kRed, 40).Line({1, 1}, {2, 2});  // a pen selected again starts a new run
  SvgDocument svg(Svg(b.p));
  ASSERT_TRUE(svg.ok());
  auto paths = svg.Select("//s:path");
  ASSERT_EQ(paths.size(), 3u);
  std::string d = Attr(paths[0], "d");
  // Two chains: the lines that meet end to end, each point once, then the one apart.
  EXPECT_EQ(std::count_if(d.begin(), d.end(), [](char c) { return c == 'M' || c == 'm'; }), 2);
  EXPECT_EQ(PathPoints(d), (std::vector<picture::Point>{
                               {0, 5}, {0, 0}, {10, 0}, {10, 10}, {20, 10}, {30, 30}, {40, 40}}));
  EXPECT_EQ(Inherited(paths[0], "stroke-linejoin"), "round");
  EXPECT_EQ(Inherited(paths[1], "stroke"), "#0000ff");
  EXPECT_EQ(PathPoints(Attr(paths[2], "d")), (std::vector<picture::Point>{{1, 1}, {2, 2}}));
}

TEST_F(SvgWriterTest, DocumentIsStreamedInChunksAndTheSameEachTime) {
  picture::Builder b(picture::kFrameWidth, picture::kFrameHeight);
  for (int i = 0; i < 20000; ++i) b.Polyline({{i, 0}, {i, 15000}});
  std::vector<std::string> chunks;
  WriteSvg(b.p, 400, 300, fonts_, [&](std::string_view c) { chunks.emplace_back(c); });
  ASSERT_GT(chunks.size(), 5u);
  std::string whole;
  for (size_t i = 0; i < chunks.size(); ++i) {
    EXPECT_LT(chunks[i].size(), 66u * 1024);
    EXPECT_TRUE(i + 1 == chunks.size() || chunks[i].size() >= 64u * 1024) << i;
    whole += chunks[i];
  }
  EXPECT_EQ(whole, EncodeSvg(b.p, 400, 300, fonts_));
  SvgDocument svg(whole);
  ASSERT_TRUE(svg.ok());
  xmlNodePtr root = svg.Select("/s:svg").at(0);
  EXPECT_EQ(Attr(root, "width") + " " + Attr(root, "height") + " " + Attr(root, "viewBox"),
            "400pt 300pt 0 0 20000 15000");
  EXPECT_EQ(Inherited(svg.Select("//s:path").at(0), "stroke-width"), "20");  // 0.4 pt at 400 pt

  int calls = 0;
  auto failing = [&](std::string_view) {
    if (++calls == 2) throw std::runtime_error("disk full");
  };
  EXPECT_THROW(WriteSvg(b.p, 400, 300, fonts_, failing), std::runtime_error);
  EXPECT_EQ(calls, 2);
  EXPECT_THROW(EncodeSvg(b.p, 0, 300, fonts_), base::ConversionError);
}

}  // namespace
}  // namespace sheetwright::output
