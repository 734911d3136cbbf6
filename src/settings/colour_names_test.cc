#include "settings/colour_names.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

#include "settings/ini_file.h"

namespace sheetwright::settings {
namespace {

constexpr ColorValue FromRgb(int r, int g, int b) { return r + 256 * g + 65536 * b; }

TEST(ListedColorsTest, TheChoiceListsTwentyColoursInOrder) {
  struct Entry {
    std::string_view name, caption;
    int r, g, b;
  };
  const Entry entries[] = {
      {"clBlack", "黒", 0, 0, 0},
      {"clMaroon", "茶色", 128, 0, 0},
      {"clGreen", "緑", 0, 128, 0},
      {"clOlive", "オリーブ", 128, 128, 0},
      {"clNavy", "紺", 0, 0, 128},
      {"clPurple", "紫", 128, 0, 128},
      {"clTeal", "青緑", 0, 128, 128},
      {"clGray", "暗い灰色", 128, 128, 128},
      {"clSilver", "銀色", 192, 192, 192},
      {"clRed", "赤", 255, 0, 0},
      {"clLime", "ライム", 0, 255, 0},
      {"clYellow", "黄色", 255, 255, 0},
      {"clBlue", "青", 0, 0, 255},
      {"clFuchsia", "赤紫", 255, 0, 255},
      {"clAqua", "水色", 0, 255, 255},
      {"clWhite", "白", 255, 255, 255},
      {"clMoneyGreen", "Money Green", 192, 220, 192},
      {"clSkyBlue", "空色", 166, 202, 240},
      {"clCream", "クリーム", 255, 251, 240},
      {"clMedGray", "明るい灰色", 160, 160, 164},
  };
  ASSERT_EQ(std::size(entries), ListedColors().size());
  for (size_t i = 0; i < std::size(entries); ++i) {
    const Entry& e = entries[i];
    EXPECT_EQ(ListedColors()[i].name, e.name);
    EXPECT_EQ(ListedColors()[i].caption, e.caption);
    EXPECT_EQ(ListedColors()[i].value, FromRgb(e.r, e.g, e.b)) << e.name;
    // The colour text starts with the same twenty, in the same order.
    EXPECT_EQ(ColorNames()[i].name, e.name);
    EXPECT_EQ(ColorNames()[i].value, FromRgb(e.r, e.g, e.b)) << e.name;
  }
}

TEST(ColorNamesTest, SystemColoursFollowInTheirOrder) {
  const std::pair<std::string_view, ColorValue> tail[] = {
      {"clActiveBorder", 0x8000000A},
      {"clActiveCaption", 0x80000002},
      {"clAppWorkSpace", 0x8000000C},
      {"clBackground", 0x80000001},
      {"clBtnFace", 0x8000000F},
      {"clBtnHighlight", 0x80000014},
      {"clBtnShadow", 0x80000010},
      {"clBtnText", 0x80000012},
      {"clCaptionText", 0x80000009},
      {"clDefault", 0x20000000},
      {"clGradientActiveCaption", 0x8000001B},
      {"clGradientInactiveCaption", 0x8000001C},
      {"clGrayText", 0x80000011},
      {"clHighlight", 0x8000000D},
      {"clHighlightText", 0x8000000E},
      {"clInactiveBorder", 0x8000000B},
      {"clInactiveCaption", 0x80000003},
      {"clInactiveCaptionText", 0x80000013},
      {"clInfoBk", 0x80000018},
      {"clInfoText", 0x80000017},
      {"clMenu", 0x80000004},
      {"clMenuText", 0x80000007},
      {"clNone", 0x1FFFFFFF},
      {"clScrollBar", 0x80000000},
      {"cl3DDkShadow", 0x80000015},
      {"cl3DLight", 0x80000016},
      {"clWindow", 0x80000005},
      {"clWindowFrame", 0x80000006},
      {"clWindowText", 0x80000008},
  };
  ASSERT_EQ(kListedColorCount + std::size(tail), ColorNames().size());
  for (size_t i = 0; i < std::size(tail); ++i) {
    EXPECT_EQ(ColorNames()[kListedColorCount + i].name, tail[i].first);
    EXPECT_EQ(ColorNames()[kListedColorCount + i].value, tail[i].second) << tail[i].first;
  }
}

TEST(ColorTextTest, EveryNameReadsBackAsItself) {
  // A value is written with the first name that has it; any later name with the same value would
  // come back as the earlier one, and a name that only differs in case would be found twice.
  std::set<std::string> folded;
  for (const NamedColor& c : ColorNames()) {
    std::string lower(c.name);
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    EXPECT_TRUE(folded.insert(lower).second) << c.name;
    std::optional<ColorValue> read = TextToColor(c.name);
    ASSERT_TRUE(read.has_value()) << c.name;
    EXPECT_EQ(*read, c.value);
    EXPECT_EQ(ColorToText(*read), c.name);
  }
}

TEST(ColorTextTest, ValuesWithoutANameAreWrittenAsDollarHex) {
  const std::pair<ColorValue, std::string_view> cases[] = {
      {0x0080FF, "$000080FF"},                                // orange
      {0x00123456, "$00123456"},    {0x0000FE, "$000000FE"},  // one off red
      {0x80000063, "$80000063"},  // a system index the names do not cover
      {0xFFFFFFFF, "$FFFFFFFF"},    {0x0000FF, "clRed"},
      {0x80000008, "clWindowText"}, {0, "clBlack"},
  };
  for (auto [value, text] : cases) {
    EXPECT_EQ(ColorToText(value), text);
    EXPECT_EQ(TextToColor(text), value) << text;
  }
}

TEST(ColorTextTest, ReadsNamesInAnyCaseAndIntegersByTheIniRule) {
  const std::pair<std::string_view, std::optional<ColorValue>> cases[] = {
      {"clred", 0x0000FF},
      {"CLWINDOWTEXT", 0x80000008},
      {"ClMoneyGreen", 0xC0DCC0},
      {"$FF", 0xFF},
      {"0xff", 0xFF},
      {"0XFF", 0xFF},
      {"255", 0xFF},
      {"-2147483640", 0x80000008},
      {"$80000008", 0x80000008},
      {"-1", 0xFFFFFFFF},
      {"", std::nullopt},
      {"red", std::nullopt},
      {"clRedd", std::nullopt},
      {"$", std::nullopt},
      {"0x", std::nullopt},
      {"$100000000", std::nullopt},
      {"#FF0000", std::nullopt},
  };
  for (auto [text, value] : cases) EXPECT_EQ(TextToColor(text), value) << "'" << text << "'";
}

TEST(IniIntegerTest, HexAfterDollarOrZeroXElseSignedDecimal) {
  const std::pair<std::string_view, std::optional<int32_t>> cases[] = {
      {"0", 0},
      {"42", 42},
      {"+7", 7},
      {"-2", -2},
      {"0x2", 2},
      {"0X1f", 31},
      {"$ff", 255},
      {"$0000000000FF", 255},  // leading zeros do not count against the 32 bits
      {"$FFFFFFFF", -1},
      {"0x80000000", INT32_MIN},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"2147483648", std::nullopt},
      {"0x", std::nullopt},
      {"$", std::nullopt},
      {"0x1G", std::nullopt},
      {"$-1", std::nullopt},
      {"1.5", std::nullopt},
      {"3a", std::nullopt},
      {"abc", std::nullopt},
      {"", std::nullopt},
  };
  for (auto [text, value] : cases) EXPECT_EQ(ParseIniInteger(text), value) << "'" << text << "'";
}

}  // namespace
}  // namespace sheetwright::settings
