// The CAD colour index (AutoCAD Color Index, 1..255) of a plain colour: the nearest entry of the
// standard palette as the eye judges it (CIELAB lightness and hue, chroma counted a quarter, so
// that a pale tint becomes the palest entry of its hue), greys only for greys and coloured entries
// only for colours. Black maps to index 7, which every CAD draws in the foreground colour (black on
// white paper, white on a dark screen), as map data means by black; the white entries are never
// chosen otherwise (a pale fill would print black), so near-white becomes light grey.
#pragma once

#include <bitset>
#include <cstdint>

#include "picture/colour.h"

namespace sheetwright::output::dxf {

// The palette entry of `index` (1..255).
picture::Rgb AciColour(int index);

// The nearest palette index but 7, 255 and those in `avoid`; black gives 7.
int NearestAci(picture::Rgb colour, const std::bitset<256>& avoid = {});

// 0x00RRGGBB, the true colour of group 420.
inline int32_t TrueColour(picture::Rgb c) { return (c.r << 16) | (c.g << 8) | c.b; }

}  // namespace sheetwright::output::dxf
