#include "output/svg/printed_svg.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "base/common_test_util.h"
#include "output/svg/svg_reader_test_util.h"
#include "picture/font_library.h"
#include "picture/picture_test_util.h"

namespace sheetwright::output {
namespace {

bool Overlap(const GroundBox& a, const GroundBox& b) {
  return a.west < b.east && b.west < a.east && a.south < b.north && b.south < a.north;
}

namespace fs = std::filesystem;
using svgtest::Attr;
using svgtest::SvgDocument;
using test_util::TempFolder;

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
  TempFolder temp;

  for (Paper paper : {Paper::kA1, Paper::kA4}) {
    SCOPED_TRACE(static_cast<int>(paper));
    PrintLayout layout = LayOutPrint(info.map, 5000, paper, Orientation::kLandscape);
    if (paper == Paper::kA1) {
      EXPECT_EQ(layout.pages.size(), 1u);
    }
    std::vector<std::string> pages(layout.pages.size());
    {
      PrintedSvg svg(
          layout, info, fonts,
          [&](size_t page, std::string_view bytes) { pages.at(page) += bytes; },
          temp.Path("town.svg"));
      svg.AddSheet(west.p, w, 3);
      svg.AddSheet(east.p, e, 3);
      svg.Finish();
    }
    EXPECT_TRUE(fs::is_empty(temp.path())) << "the scratch file is left";
    for (size_t i = 0; i < pages.size(); ++i) {
      SCOPED_TRACE(i);
      SvgDocument doc(pages[i]);
      ASSERT_TRUE(doc.ok());
      // Every id once; each layer holds its sheets' pieces, clipped to their frame and bleed, and
      // no piece is a layer or holds one.
      std::set<std::string> ids;
      for (xmlNodePtr n : doc.Select("//*[@id]")) EXPECT_TRUE(ids.insert(Attr(n, "id")).second);
      std::vector<std::pair<std::string, std::string>> layers;
      std::vector<std::vector<std::string>> pieces;
      for (xmlNodePtr layer : doc.Select("/s:svg/s:g[@inkscape:groupmode='layer']")) {
        if (Attr(layer, "id") == "background" || Attr(layer, "id") == "furniture") continue;
        layers.emplace_back(Attr(layer, "id"), Attr(layer, "label"));
        EXPECT_EQ(Attr(layer, "clip-path"), "url(#window)");
        EXPECT_TRUE(doc.Select(".//*[@inkscape:groupmode]", layer).empty());
        pieces.emplace_back();
        for (xmlNodePtr piece : doc.Select("s:g", layer)) {
          pieces.back().push_back(Attr(piece, "id").substr(0, 3));
          auto clip = doc.Select("//s:clipPath[concat('url(#', @id, ')')='" +
                                 Attr(piece, "clip-path") + "']/s:rect");
          ASSERT_EQ(clip.size(), 1u);
          EXPECT_EQ(Attr(clip[0], "x") + " " + Attr(clip[0], "y") + " " + Attr(clip[0], "width") +
                        " " + Attr(clip[0], "height"),
                    "-3 -3 20006 15006");
        }
      }
      // The layers in the order the sheets first give them, of the sheets the page meets.
      bool has_w = Overlap(w, layout.pages[i].ground), has_e = Overlap(e, layout.pages[i].ground);
      std::vector<std::pair<std::string, std::string>> want_layers;
      std::vector<std::vector<std::string>> want_pieces;
      if (has_w) want_layers.emplace_back("A", "甲"), want_pieces.push_back({"s1."});
      want_layers.emplace_back("B", "乙"), want_pieces.emplace_back();
      if (has_w) want_pieces.back().push_back("s1.");
      if (has_e) want_pieces.back().push_back("s2.");
      if (has_e) want_layers.emplace_back("C", "丙"), want_pieces.push_back({"s2."});
      if (has_e)
        want_layers.emplace_back("SUMI_LINE", "4隅ポイント"), want_pieces.push_back({"s2."});
      EXPECT_EQ(layers, want_layers);
      EXPECT_EQ(pieces, want_pieces);
    }
  }
}

}  // namespace
}  // namespace sheetwright::output
