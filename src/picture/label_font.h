// A label font: what a name layer's labels are written with, edited through its font choice and
// kept in the settings file. The face name is UTF-8 here; a stored metafile holds it in CP932, or
// by its English family name for the common Japanese faces (japanese_faces.h).
#pragma once

#include <cstdint>
#include <string>

#include "picture/colour.h"

namespace sheetwright::picture {

enum FontStyleBits : uint8_t { kBold = 1, kItalic = 2, kUnderline = 4, kStrikeOut = 8 };

struct LabelFont {
  std::string face_name = "ＭＳ Ｐゴシック";
  int32_t height = -12;  // pixels of a 96-dpi screen; negative: character height
  uint8_t style = 0;     // FontStyleBits
  uint8_t pitch = 0;     // 0 default, 1 variable, 2 fixed
  ColorValue color = kClWindowText;
  uint8_t charset = 128;  // 128 is the Shift_JIS set
  bool operator==(const LabelFont&) const = default;
};

}  // namespace sheetwright::picture
