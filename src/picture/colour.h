// Colour values as the layer styles hold them: 32 bits, red in bits 0-7, green 8-15, blue 16-23.
// A top byte 0x80 names a system colour by its index in the low byte; it is resolved to the
// classic default system colours when drawn.
#pragma once

#include <cstdint>

namespace sheetwright::picture {

using ColorValue = uint32_t;

constexpr ColorValue kSystemColorFlag = 0x80000000u;
constexpr ColorValue kClWindowText = 0x80000008u;  // default colour of the label fonts
constexpr ColorValue kClNone = 0x1FFFFFFFu;
constexpr ColorValue kClDefault = 0x20000000u;

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// The plain colour that `value` stands for: system colours by the classic default table (window
// text is black, window white, ...), clNone and clDefault as white and black, anything else by its
// low 24 bits.
Rgb ResolveColor(ColorValue value);

// The 0x00BBGGRR value of a resolved colour, as stored in metafile records.
inline uint32_t ToColorRef(Rgb c) { return c.r | (c.g << 8) | (uint32_t{c.b} << 16); }

}  // namespace sheetwright::picture
