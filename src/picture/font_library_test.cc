#include "picture/font_library.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "base/encoding.h"

namespace sheetwright::picture {
namespace {

LabelFont Font(const std::string& face, int32_t height, uint8_t style = 0) {
  LabelFont font;
  font.face_name = face;
  font.height = height;
  font.style = style;
  return font;
}

std::string Sjis(const char* utf8) { return base::Utf8ToCp932(utf8); }

class FontLibraryTest : public ::testing::Test {
 protected:
  FontLibrary fonts_;
};

TEST_F(FontLibraryTest, SubstitutesTheReferenceJapaneseFaces) {
  struct Case {
    const char* face;
    const char* family;
  } cases[] = {
      {"ＭＳ Ｐゴシック", "IPAPGothic"}, {"ＭＳ ゴシック", "IPAGothic"},
      {"ＭＳ Ｐ明朝", "IPAPMincho"},     {"ＭＳ 明朝", "IPAMincho"},
      {"DejaVu Sans", "DejaVu Sans"},    {"ＭＳ　ゴシック", "ＭＳ　ゴシック"},  // ideographic space
  };
  for (const Case& c : cases) EXPECT_EQ(FontLibrary::SubstituteFace(c.face), c.family) << c.face;
}

// The fixed face sets every ASCII character at half an em and every full-width one at a whole em,
// which is what the fixed Japanese face ＭＳ ゴシック does and what labels of the fixed font rely on.
TEST_F(FontLibraryTest, FixedFaceAdvancesAreHalfAndWholeEms) {
  for (int32_t height : {-12, -16, -24}) {
    LabelFont font = Font("ＭＳ ゴシック", height);
    int32_t em = -height;
    EXPECT_EQ(fonts_.Measure(font, "iW").width, em) << height;
    EXPECT_EQ(fonts_.Measure(font, Sjis("東京駅")).width, 3 * em) << height;
    EXPECT_EQ(fonts_.Measure(font, Sjis("ＡＢ")).width, 2 * fonts_.Measure(font, Sjis("Ａ")).width);
  }
}

TEST_F(FontLibraryTest, WidthIsTheSumOfTheCharacterAdvances) {
  LabelFont font = Font("ＭＳ Ｐゴシック", -12);
  for (const char* text : {"AV", "Wi", "ＡＢ", "東京駅前", "ｱｲｳ", "To. 12"}) {
    std::string bytes = Sjis(text);
    std::string utf8 = text;
    int32_t sum = 0;
    // Measure each character on its own: no kerning or shaping may change the total.
    for (size_t i = 0; i < utf8.size();) {
      size_t n = 1;
      while (i + n < utf8.size() && (static_cast<unsigned char>(utf8[i + n]) & 0xC0) == 0x80) ++n;
      sum += fonts_.Measure(font, Sjis(utf8.substr(i, n).c_str())).width;
      i += n;
    }
    EXPECT_EQ(fonts_.Measure(font, bytes).width, sum) << text;
    EXPECT_GT(sum, 0) << text;
  }
}

TEST_F(FontLibraryTest, HeightIsTheFullCell) {
  TextExtent e = fonts_.Measure(Font("ＭＳ Ｐゴシック", -12), Sjis("東京"));
  // The cell of a 12-pixel em includes the descent below the em box: a little more than 12.
  EXPECT_GE(e.height, 12);
  EXPECT_LE(e.height, 14);
  // Empty text still has the cell height; its width is nothing.
  TextExtent empty = fonts_.Measure(Font("ＭＳ Ｐゴシック", -12), "");
  EXPECT_EQ(empty.width, 0);
  EXPECT_EQ(empty.height, e.height);
  // A positive height is the cell itself, so the em is smaller than the height.
  LabelFont cell = Font("ＭＳ Ｐゴシック", 26);
  EXPECT_NEAR(fonts_.Measure(cell, "A").height, 26, 1);
  EXPECT_LT(fonts_.PixelSize(cell), 26);
  EXPECT_EQ(fonts_.PixelSize(Font("ＭＳ Ｐゴシック", -26)), 26);
}

TEST_F(FontLibraryTest, ProportionalAndFixedFacesDiffer) {
  std::string text = "iiiiWWWW";
  int32_t proportional = fonts_.Measure(Font("ＭＳ Ｐゴシック", -12), text).width;
  int32_t fixed = fonts_.Measure(Font("ＭＳ ゴシック", -12), text).width;
  EXPECT_NE(proportional, fixed);
  // In the proportional face an i is narrower than a W; in the fixed face they are the same.
  EXPECT_LT(fonts_.Measure(Font("ＭＳ Ｐゴシック", -12), "i").width,
            fonts_.Measure(Font("ＭＳ Ｐゴシック", -12), "W").width);
  EXPECT_NE(fonts_.Measure(Font("ＭＳ Ｐ明朝", -12), text).width, proportional);
}

TEST_F(FontLibraryTest, UnknownFaceFallsBackToTheJapaneseGothic) {
  std::string text = Sjis("東京駅ＡＢabc");
  TextExtent expected = fonts_.Measure(Font("IPAPGothic", -12), text);
  TextExtent got = fonts_.Measure(Font("No Such Face 123", -12), text);
  EXPECT_EQ(got.width, expected.width);
  EXPECT_EQ(got.height, expected.height);
  cairo_scaled_font_t* font = fonts_.ScaledFont(Font("No Such Face 123", -12));
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(cairo_scaled_font_status(font), CAIRO_STATUS_SUCCESS);
}

TEST_F(FontLibraryTest, CharactersAFaceLacksComeFromTheJapaneseStandInAndMeasureSo) {
  LabelFont serif = Font("DejaVu Serif", -20, kItalic);
  LabelLayout layout = fonts_.Layout(serif, Sjis("代田 T"));
  ASSERT_EQ(layout.glyphs.size(), 4u);
  ASSERT_NE(layout.faces[1], nullptr);
  EXPECT_NE(layout.faces[1]->file.find("ipag"), std::string::npos) << layout.faces[1]->file;
  EXPECT_NE(layout.faces[0]->file.find("DejaVuSerif"), std::string::npos);
  EXPECT_TRUE(layout.faces[1]->oblique);  // the stand-in slants as the label does
  for (int i : {0, 1}) {
    EXPECT_EQ(layout.glyphs[i].face, 1);
    EXPECT_NE(layout.glyphs[i].glyph, 0u);
  }
  EXPECT_EQ(layout.glyphs[3].face, 0);
  EXPECT_EQ(fonts_.Measure(serif, Sjis("代田")).width,
            fonts_.Measure(Font("IPAPGothic", -20, kItalic), Sjis("代田")).width);
  EXPECT_EQ(layout.extent.width, fonts_.Measure(serif, Sjis("代田 T")).width);
}

TEST_F(FontLibraryTest, ControlCharactersNeitherDrawNorTakeRoom) {
  LabelFont font = Font("ＭＳ Ｐゴシック", -12);
  EXPECT_EQ(fonts_.Measure(font, "A\tB\r\n\x7F\x01").width, fonts_.Measure(font, "AB").width);
  EXPECT_EQ(fonts_.Layout(font, "\t\x7F").glyphs.size(), 0u);
}

TEST_F(FontLibraryTest, BoldIsNeverNarrowerAndScalesWithSize) {
  std::string text = Sjis("新宿中央公園");
  int32_t regular = fonts_.Measure(Font("ＭＳ Ｐゴシック", -12), text).width;
  EXPECT_GE(fonts_.Measure(Font("ＭＳ Ｐゴシック", -12, kBold), text).width, regular);
  int32_t doubled = fonts_.Measure(Font("ＭＳ Ｐゴシック", -24), text).width;
  EXPECT_NEAR(doubled, 2 * regular, 6);
}

TEST_F(FontLibraryTest, BadBytesAndOddHeightsDoNotBreakMeasuring) {
  LabelFont font = Font("ＭＳ Ｐゴシック", -12);
  // A lone lead byte and an undefined double-byte code still take room, like any character.
  EXPECT_GT(fonts_.Measure(font, "\x82").width, 0);
  EXPECT_GT(fonts_
                .Measure(font, std::string("A\xFF\xFF"
                                           "B",
                                           4))
                .width,
            fonts_.Measure(font, "AB").width);
  EXPECT_GT(fonts_.Measure(Font("ＭＳ Ｐゴシック", 0), "A").width, 0);
  EXPECT_GT(fonts_.Measure(Font("ＭＳ Ｐゴシック", -2000000000), "A").width, 0);
}

TEST_F(FontLibraryTest, MeasuringIsStableAcrossThreads) {
  const char* faces[] = {"ＭＳ Ｐゴシック", "ＭＳ ゴシック", "ＭＳ Ｐ明朝", "ＭＳ 明朝"};
  std::vector<std::string> texts = {Sjis("東京駅"), Sjis("新宿区西新宿二丁目"), "Shinjuku 2",
                                    Sjis("ＪＲ山手線ｱｲｳ"), "AVWiil.,;"};
  std::vector<LabelFont> font_set;
  for (int32_t height = 8; height < 48; ++height) {
    for (const char* face : faces) font_set.push_back(Font(face, -height, height % 3 ? 0 : kBold));
  }
  std::vector<TextExtent> expected;
  for (const auto& f : font_set) {
    for (const auto& t : texts) expected.push_back(fonts_.Measure(f, t));
  }

  // A fresh library, so that faces, sizes and advances are looked up and cached while the other
  // threads use them; each thread walks the fonts from a different place.
  FontLibrary shared;
  constexpr int kThreads = 4;
  std::vector<int> mismatches(kThreads, 0);
  std::vector<std::thread> threads;
  for (int k = 0; k < kThreads; ++k) {
    threads.emplace_back([&, k] {
      for (size_t n = 0; n < font_set.size(); ++n) {
        size_t f = (n + k * font_set.size() / kThreads) % font_set.size();
        for (size_t t = 0; t < texts.size(); ++t) {
          TextExtent e = shared.Measure(font_set[f], texts[t]);
          const TextExtent& want = expected[f * texts.size() + t];
          if (e.width != want.width || e.height != want.height) ++mismatches[k];
        }
      }
    });
  }
  for (auto& t : threads) t.join();
  for (int k = 0; k < kThreads; ++k) EXPECT_EQ(mismatches[k], 0) << "thread " << k;
}

}  // namespace
}  // namespace sheetwright::picture
