#include "picture/colour.h"

#include <array>

namespace sheetwright::picture {
namespace {

// The classic default system colours ("Windows Standard" scheme), by system colour index. There
// is no screen to ask, and the stored drawings must look the same wherever they are made.
constexpr std::array<uint32_t, 31> kSystemColors = {
    0xC0C0C0,  //  0 scroll bar
    0x008080,  //  1 desktop background
    0x000080,  //  2 active caption
    0x808080,  //  3 inactive caption
    0xC0C0C0,  //  4 menu
    0xFFFFFF,  //  5 window
    0x000000,  //  6 window frame
    0x000000,  //  7 menu text
    0x000000,  //  8 window text
    0xFFFFFF,  //  9 caption text
    0xC0C0C0,  // 10 active border
    0xC0C0C0,  // 11 inactive border
    0x808080,  // 12 application workspace
    0x000080,  // 13 highlight
    0xFFFFFF,  // 14 highlight text
    0xC0C0C0,  // 15 button face
    0x808080,  // 16 button shadow
    0x808080,  // 17 grey text
    0x000000,  // 18 button text
    0xC0C0C0,  // 19 inactive caption text
    0xFFFFFF,  // 20 button highlight
    0x000000,  // 21 3-D dark shadow
    0xC0C0C0,  // 22 3-D light
    0x000000,  // 23 tooltip text
    0xFFFFE1,  // 24 tooltip background
    0xB4B4B4,  // 25 alternate button face
    0x0000FF,  // 26 hot-tracked item
    0x1084D0,  // 27 gradient of the active caption
    0xB5B5B5,  // 28 gradient of the inactive caption
    0x000080,  // 29 highlighted menu item
    0xC0C0C0,  // 30 menu bar
};

// The table is written as 0xRRGGBB for reading; colour values keep red in the low byte.
Rgb FromRrggbb(uint32_t v) {
  return Rgb{static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
}

}  // namespace

Rgb ResolveColor(ColorValue value) {
  // Any value with the top bit set is a system colour (the platform tests "negative"); an index
  // the table does not know reads as black, as the system's own lookup answers for it.
  if (value & kSystemColorFlag) {
    uint32_t index = value & 0xFF;
    return index < kSystemColors.size() ? FromRrggbb(kSystemColors[index]) : Rgb{};
  }
  // clNone (0x1FFFFFFF) and clDefault (0x20000000) fall out of the low 24 bits as white and black.
  return Rgb{static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
             static_cast<uint8_t>(value >> 16)};
}

}  // namespace sheetwright::picture
