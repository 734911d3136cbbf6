#include "output/pdf/pdf_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "base/encoding.h"
#include "base/messages.h"
#include "output/pdf/pdf_reader_test_util.h"
#include "picture/font_library.h"
#include "picture/picture_test_util.h"

namespace sheetwright::output {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

class PdfWriterTest : public ::testing::Test {
 protected:
  void TearDown() override { unsetenv("SOURCE_DATE_EPOCH"); }

  // What poppler's pdftotext finds on the page, or "" without poppler.
  static std::string ExtractText(const std::string& pdf) {
    fs::path in = fs::temp_directory_path() / ("pdf_text_" + std::to_string(::getpid()) + ".pdf");
    fs::path out = in;
    out.replace_extension(".txt");
    std::ofstream(in, std::ios::binary) << pdf;
    std::string command = "pdftotext -enc UTF-8 '" + in.string() + "' '" + out.string() + "'";
    std::stringstream text;
    if (std::system(command.c_str()) == 0) text << std::ifstream(out).rdbuf();
    fs::remove(in);
    fs::remove(out);
    return text.str();
  }

  // A sheet of corner marks and two map layers, one of lines and fills, one of labels.
  static picture::Picture Sheet() {
    picture::Builder lines(picture::kFrameWidth, picture::kFrameHeight);
    lines.p.id = "GAIKU_LINE", lines.p.label = "街区境界線";
    lines.Pen(0x0000FF, 1).Line({100, 100}, {5000, 100}).Line({5000, 100}, {5000, 4000});
    lines.Brush(0xFF0000, picture::BrushStyle::kDiagCross).Polygon({{0, 0}, {900, 0}, {0, 900}});
    picture::Builder names(picture::kFrameWidth, picture::kFrameHeight);
    names.p.id = "CHOME_NAME", names.p.label = "町丁目名";
    names.Back(picture::BkMode::kTransparent)
        .Font(picture::Label(-200, 0, picture::kItalic))
        .Text({1000, 1000}, "代田")
        .Font(picture::Label(-200, 0, picture::kBold | picture::kUnderline))
        .Cp932Text({1000, 2000}, "A\x81\x60\tB")  // "A～B" with a tab
        .Font(picture::Label(-200, 0, 0, "DejaVu Serif"))
        .Text({1000, 3000}, "新宿 Tokyo");
    picture::Builder sheet(picture::kFrameWidth, picture::kFrameHeight);
    sheet.p.id = "SUMI_LINE", sheet.p.label = "4隅ポイント";
    sheet.Pen(0, 3).Polyline({{0, 0}, {10, 0}}).Layer(lines.p).Layer(names.p);
    sheet.Polyline({{19990, 14999}, {19999, 14999}});
    return sheet.p;
  }

  picture::FontLibrary fonts_;
};

TEST_F(PdfWriterTest, LayersTextFontsAndFigures) {
  std::string pdf = EncodePdf(Sheet(), 800, 600, "533946", fonts_);
  pdftest::PdfReadBack back = pdftest::ReadPdf(pdf);
  ASSERT_EQ(back.error, "");
  EXPECT_EQ(back.pages, 1);
  EXPECT_EQ(back.title, "533946");
  EXPECT_THAT(back.layers, ElementsAre("4隅ポイント", "街区境界線", "町丁目名"));
  // Each font file once (upright, italic and bold IPAPGothic are one), a subset: the label
  // face and the Japanese face that draws what it lacks.
  ASSERT_EQ(back.fonts.size(), 2u);
  std::string fonts = back.fonts[0] + back.fonts[1];
  EXPECT_THAT(fonts, HasSubstr("+IPAPGothic"));
  EXPECT_THAT(fonts, HasSubstr("+DejaVuSerif"));
  // The corner marks, group is opened again after the layers; lines of one pen are one path;
  // the 3-unit pen is drawn 0.4 pt (10 units) wide.
  std::string c = back.content;
  EXPECT_THAT(c, HasSubstr("/OC /L0 BDC\n0 0 0 RG\n10 w\n0 0 m 10 0 l\nS\nEMC\n"));
  EXPECT_THAT(c, HasSubstr("/OC /L0 BDC\n19990 14999 m 19999 14999 l\nS\nEMC"));
  EXPECT_THAT(c, HasSubstr("100 100 m 5000 100 l 5000 4000 l\nS\n"));
  EXPECT_THAT(c, HasSubstr("/Pattern cs /P0 scn\n"));
  EXPECT_THAT(c, HasSubstr("0 0 m 900 0 l 0 900 l\nb*\n"));
  // Italic by a slanted text matrix (IPAPGothic has no italic), upright otherwise; synthetic
  // bold strokes the outline; the underline is a box.
  std::smatch m;
  ASSERT_TRUE(std::regex_search(c, m, std::regex("1 Tf 200 0 ([0-9.]+) -200 1000 ([0-9.]+) Tm")));
  EXPECT_EQ(m[1], "40");
  EXPECT_THAT(c, HasSubstr("1 Tf 200 0 0 -200 1000 "));
  EXPECT_THAT(c, HasSubstr("2 Tr"));

  std::string text = ExtractText(pdf);
  if (text.empty()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
  EXPECT_THAT(text, HasSubstr("代田"));
  EXPECT_THAT(text, HasSubstr("A～B"));  // U+FF5E as CP932 0x8160 decodes, no tab
  EXPECT_THAT(text, Not(HasSubstr("〜")));
  EXPECT_THAT(text, HasSubstr("新宿 Tokyo"));
}

TEST_F(PdfWriterTest, SameBytesEachRunAndADateOnlyWhenAsked) {
  std::string a = EncodePdf(Sheet(), 800, 600, "m", fonts_);
  EXPECT_EQ(a, EncodePdf(Sheet(), 800, 600, "m", fonts_));
  EXPECT_THAT(a, Not(HasSubstr("/CreationDate")));
  setenv("SOURCE_DATE_EPOCH", "86400", 1);
  EXPECT_THAT(EncodePdf(Sheet(), 800, 600, "m", fonts_),
              HasSubstr("/CreationDate (D:19700102000000Z)"));

  // Streamed in pieces; a failing sink stops the writing.
  std::vector<std::string> chunks;
  picture::Picture big = Sheet();
  for (int i = 0; i < 100000; ++i) {
    big.points.push_back({i % 20000, i % 15000});
    big.points.push_back({i % 20000 + 7, 0});
    big.records.push_back(picture::PolygonRec{static_cast<uint32_t>(2 * i), 2});
  }
  WritePdf(big, 800, 600, "m", fonts_, [&](std::string_view c) { chunks.emplace_back(c); });
  EXPECT_GT(chunks.size(), 3u);
  std::string whole;
  for (const std::string& chunk : chunks) whole += chunk;
  EXPECT_EQ(pdftest::ReadPdf(whole).error, "");
  EXPECT_THROW(EncodePdf(big, 0, 600, "m", fonts_), base::ConversionError);
  // A page of one point still scales the frame onto it rather than to nothing.
  EXPECT_THAT(pdftest::ReadPdf(EncodePdf(Sheet(), 1, 1, "m", fonts_)).content,
              HasSubstr("0.00005 0 0 -0.000067 0 1 cm"));
}

}  // namespace
}  // namespace sheetwright::output
