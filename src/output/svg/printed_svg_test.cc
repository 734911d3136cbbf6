#include "output/svg/printed_svg.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "output/svg/svg_reader_test_util.h"
#include "picture/font_library.h"
#include "picture/picture_test_util.h"

namespace sheetwright::output {
namespace {

bool Overlap(const GroundBox& a, const GroundBox& b) {
  return a.west < b.east && b.west < a.east && a.south < b.north && b.south < a.north;
}

using svgtest::Attr;
using svgtest::SvgDocument;

picture::Picture Layer(const char* id, const char* label, picture::ColorValue fill) {
  picture::Builder b(picture::kFrameWidth, picture::kFrameHeight);
  b.p.id = id, b.p.label = label;
  b.Brush(fill).Polygon({{0, 0}, {20000, 0}, {20000, 15000}});
  return b.p;
}

// Two sheets side by side, the western drawing layers A then B, the eastern C then B and its
// corner marks, printed at 1:5000 on A1 (one page) and on A4 (pages that meet one sheet or both).
TEST(PrintedSvgTest, EveryMapLayerOnceAsAnInkscapeLayerOfEachSheetsPiece) {
  picture::Picture a = Layer("A", "甲", 0x0000FF), b = Layer("B", "乙", 0x00FF00),
                   c = Layer("C", "丙", 0xFF0000);
  picture::Builder west(picture::kFrameWidth, picture::kFrameHeight),
      east(picture::kFrameWidth, picture::kFrameHeight);
  west.p.id = east.p.id = "SUMI_LINE", west.p.label = east.p.label = "4隅ポイント";
  west.Layer(a).Layer(b);
  east.Layer(c).Layer(b).Line({0, 0}, {0, 50});
  GroundBox w{-2000, 0, 0, 1500}, e{0, 0, 2000, 1500};
  PrintInfo info{"town", "", {-2000, 0, 2000, 1500}, {w, e}};
  picture::FontLibrary fonts;

  for (Paper paper : {Paper::kA1, Paper::kA4}) {
    SCOPED_TRACE(static_cast<int>(paper));
    PrintLayout layout = LayOutPrint(info.map, 5000, paper, Orientation::kLandscape);
    if (paper == Paper::kA1) {
      EXPECT_EQ(layout.pages.size(), 1u);
    }
    std::vector<std::string> pages(layout.pages.size());
    PrintedSvg svg(layout, info, fonts,
                   [&](size_t page, std::string_view bytes) { pages.at(page) += bytes; });
    svg.AddSheet(west.p, w, 3);
    svg.AddSheet(east.p, e, 3);
    svg.Finish();
    for (size_t i = 0; i < pages.size(); ++i) {
      SCOPED_TRACE(i);
      SvgDocument doc(pages[i]);
      ASSERT_TRUE(doc.ok());
      // Every id once; every <use> names a group of the defs, clipped to its sheet's frame and
      // bleed, that is not a layer and holds none.
      std::set<std::string> ids;
      for (xmlNodePtr n : doc.Select("//*[@id]")) EXPECT_TRUE(ids.insert(Attr(n, "id")).second);
      EXPECT_TRUE(doc.Select("//s:defs//*[@inkscape:groupmode]").empty());
      std::vector<std::pair<std::string, std::string>> layers;
      std::vector<std::vector<std::string>> uses;
      for (xmlNodePtr layer : doc.Select("/s:svg/s:g[@inkscape:groupmode='layer']")) {
        if (Attr(layer, "id") == "background" || Attr(layer, "id") == "furniture") continue;
        layers.emplace_back(Attr(layer, "id"), Attr(layer, "label"));
        EXPECT_EQ(Attr(layer, "clip-path"), "url(#window)");
        uses.emplace_back();
        for (xmlNodePtr use : doc.Select("s:use", layer)) {
          std::string href = Attr(use, "href");
          ASSERT_EQ(href.substr(0, 1), "#");
          auto piece = doc.Select("/s:svg/s:defs/s:g[@id='" + href.substr(1) + "']");
          ASSERT_EQ(piece.size(), 1u) << href;
          std::string sheet = href.substr(1, 3);
          uses.back().push_back(sheet);
          auto clip = doc.Select("//s:clipPath[concat('url(#', @id, ')')='" +
                                 Attr(piece[0], "clip-path") + "']/s:rect");
          ASSERT_EQ(clip.size(), 1u);
          EXPECT_EQ(Attr(clip[0], "x") + " " + Attr(clip[0], "y") + " " + Attr(clip[0], "width") +
                        " " + Attr(clip[0], "height"),
                    "-3 -3 20006 15006");
        }
      }
      // The layers in the order the sheets first give them, of the sheets the page meets.
      bool has_w = Overlap(w, layout.pages[i].ground), has_e = Overlap(e, layout.pages[i].ground);
      std::vector<std::pair<std::string, std::string>> want_layers;
      std::vector<std::vector<std::string>> want_uses;
      if (has_w) want_layers.emplace_back("A", "甲"), want_uses.push_back({"s1."});
      want_layers.emplace_back("B", "乙"), want_uses.emplace_back();
      if (has_w) want_uses.back().push_back("s1.");
      if (has_e) want_uses.back().push_back("s2.");
      if (has_e) want_layers.emplace_back("C", "丙"), want_uses.push_back({"s2."});
      if (has_e) want_layers.emplace_back("SUMI_LINE", "4隅ポイント"), want_uses.push_back({"s2."});
      EXPECT_EQ(layers, want_layers);
      EXPECT_EQ(uses, want_uses);
    }
  }
}

}  // namespace
}  // namespace sheetwright::output
