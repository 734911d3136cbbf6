// The names of colour values: the twenty colours that every colour choice offers (with the captions
// the choice shows), and the colour text of the settings file's font sections, where a colour is
// written by its name when it has one and as "$" and eight hex digits otherwise.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "picture/colour.h"

namespace sheetwright::settings {

using picture::ColorValue;

struct NamedColor {
  std::string_view name;  // "clBlack", the colour text
  ColorValue value;
};

// An entry of the colour choice after its custom entry.
struct ListedColor {
  std::string_view name;     // "clMaroon"
  std::string_view caption;  // "茶色", what the choice shows beside the swatch
  ColorValue value;
};

constexpr int kListedColorCount = 20;
constexpr int kColorNameCount = 49;

// The colour choice's 16 standard and 4 extended colours, in the order the choice lists them.
const std::array<ListedColor, kListedColorCount>& ListedColors();

// Every name the colour text knows, in the order that decides which name a value is written
// with: the 20 listed colours, then the system colours, clDefault and clNone.
const std::array<NamedColor, kColorNameCount>& ColorNames();

// The colour text of `value`: the first name whose value equals it, else "$" and exactly 8
// upper-case hex digits ("$000080FF").
std::string ColorToText(ColorValue value);

// Reads a colour text: a name (letter case ignored) or an integer by the settings file's integer
// rule (ParseIniInteger). nullopt when it is neither, including the empty text.
std::optional<ColorValue> TextToColor(std::string_view text);

}  // namespace sheetwright::settings
