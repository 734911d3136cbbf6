#include "settings/colour_names.h"

#include <cstdio>

#include "base/ascii.h"
#include "settings/ini_file.h"

namespace sheetwright::settings {
namespace {

constexpr ColorValue Sys(uint32_t index) { return picture::kSystemColorFlag | index; }

constexpr std::array<ListedColor, kListedColorCount> kListed = {{
    {"clBlack", "黒", 0x000000},
    {"clMaroon", "茶色", 0x000080},
    {"clGreen", "緑", 0x008000},
    {"clOlive", "オリーブ", 0x008080},
    {"clNavy", "紺", 0x800000},
    {"clPurple", "紫", 0x800080},
    {"clTeal", "青緑", 0x808000},
    {"clGray", "暗い灰色", 0x808080},
    {"clSilver", "銀色", 0xC0C0C0},
    {"clRed", "赤", 0x0000FF},
    {"clLime", "ライム", 0x00FF00},
    {"clYellow", "黄色", 0x00FFFF},
    {"clBlue", "青", 0xFF0000},
    {"clFuchsia", "赤紫", 0xFF00FF},
    {"clAqua", "水色", 0xFFFF00},
    {"clWhite", "白", 0xFFFFFF},
    {"clMoneyGreen", "Money Green", 0xC0DCC0},
    {"clSkyBlue", "空色", 0xF0CAA6},
    {"clCream", "クリーム", 0xF0FBFF},
    {"clMedGray", "明るい灰色", 0xA4A0A0},
}};

constexpr std::array<NamedColor, kColorNameCount> MakeNames() {
  std::array<NamedColor, kColorNameCount> names{};
  int n = 0;
  for (const ListedColor& c : kListed) names[n++] = {c.name, c.value};
  constexpr NamedColor kRest[] = {
      {"clActiveBorder", Sys(10)},
      {"clActiveCaption", Sys(2)},
      {"clAppWorkSpace", Sys(12)},
      {"clBackground", Sys(1)},
      {"clBtnFace", Sys(15)},
      {"clBtnHighlight", Sys(20)},
      {"clBtnShadow", Sys(16)},
      {"clBtnText", Sys(18)},
      {"clCaptionText", Sys(9)},
      {"clDefault", picture::kClDefault},
      {"clGradientActiveCaption", Sys(27)},
      {"clGradientInactiveCaption", Sys(28)},
      {"clGrayText", Sys(17)},
      {"clHighlight", Sys(13)},
      {"clHighlightText", Sys(14)},
      {"clInactiveBorder", Sys(11)},
      {"clInactiveCaption", Sys(3)},
      {"clInactiveCaptionText", Sys(19)},
      {"clInfoBk", Sys(24)},
      {"clInfoText", Sys(23)},
      {"clMenu", Sys(4)},
      {"clMenuText", Sys(7)},
      {"clNone", picture::kClNone},
      {"clScrollBar", Sys(0)},
      {"cl3DDkShadow", Sys(21)},
      {"cl3DLight", Sys(22)},
      {"clWindow", Sys(5)},
      {"clWindowFrame", Sys(6)},
      {"clWindowText", Sys(8)},
  };
  for (const NamedColor& c : kRest) names[n++] = c;
  return names;
}

constexpr std::array<NamedColor, kColorNameCount> kNames = MakeNames();
static_assert(kNames[kColorNameCount - 1].value == picture::kClWindowText);

}  // namespace

const std::array<ListedColor, kListedColorCount>& ListedColors() { return kListed; }

const std::array<NamedColor, kColorNameCount>& ColorNames() { return kNames; }

std::string ColorToText(ColorValue value) {
  for (const NamedColor& c : kNames) {
    if (c.value == value) return std::string(c.name);
  }
  char text[16];
  std::snprintf(text, sizeof text, "$%08X", static_cast<unsigned>(value));
  return text;
}

std::optional<ColorValue> TextToColor(std::string_view text) {
  for (const NamedColor& c : kNames) {
    if (base::EqualsIgnoringAsciiCase(c.name, text)) return c.value;
  }
  if (auto number = ParseIniInteger(text)) return static_cast<ColorValue>(*number);
  return std::nullopt;
}

}  // namespace sheetwright::settings
