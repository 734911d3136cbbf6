#include "output/dxf/dxf_colours.h"

#include <array>

namespace sheetwright::output::dxf {
namespace {

// Indexes 10..249 run through 24 hues in steps of 15 degrees from red; each hue has five
// brightness levels, each at full and at half saturation. 250..255 are greys.
constexpr uint8_t kLevels[5] = {255, 165, 127, 76, 38};
constexpr uint8_t kGreys[6] = {51, 80, 105, 130, 190, 255};
constexpr picture::Rgb kFirstNine[10] = {
    {0, 0, 0},   {255, 0, 0},   {255, 255, 0},   {0, 255, 0},     {0, 255, 255},
    {0, 0, 255}, {255, 0, 255}, {255, 255, 255}, {128, 128, 128}, {192, 192, 192}};

picture::Rgb HueColour(int hue, uint8_t top, uint8_t bottom) {
  int sector = hue / 4, step = hue % 4;  // 60 degrees are four steps
  int span = top - bottom;
  auto rising = static_cast<uint8_t>(bottom + span * step / 4);
  auto falling = static_cast<uint8_t>(bottom + span * (4 - step) / 4);
  switch (sector) {
    case 0:
      return {top, rising, bottom};
    case 1:
      return {falling, top, bottom};
    case 2:
      return {bottom, top, rising};
    case 3:
      return {bottom, falling, top};
    case 4:
      return {rising, bottom, top};
    default:
      return {top, bottom, falling};
  }
}

std::array<picture::Rgb, 256> MakePalette() {
  std::array<picture::Rgb, 256> palette{};
  for (int i = 0; i < 10; ++i) palette[i] = kFirstNine[i];
  for (int i = 10; i < 250; ++i) {
    int hue = (i - 10) / 10, level = (i % 10) / 2;
    uint8_t top = kLevels[level];
    palette[i] = HueColour(hue, top, i % 2 == 0 ? 0 : top / 2);
  }
  for (int i = 250; i < 256; ++i) palette[i] = {kGreys[i - 250], kGreys[i - 250], kGreys[i - 250]};
  return palette;
}

const std::array<picture::Rgb, 256>& Palette() {
  static const std::array<picture::Rgb, 256> palette = MakePalette();
  return palette;
}

}  // namespace

picture::Rgb AciColour(int index) { return Palette()[index > 0 && index < 256 ? index : 7]; }

int NearestAci(picture::Rgb colour) {
  if (colour == picture::Rgb{0, 0, 0}) return 7;
  const auto& palette = Palette();
  int best = 1;
  int64_t best_distance = INT64_MAX;
  for (int i = 1; i < 256; ++i) {
    // White (7, 255) is drawn in the foreground colour by CADs and their printouts: a pale fill
    // would come out black. It stays for black alone.
    if (i == 7 || i == 255) continue;
    int64_t dr = colour.r - palette[i].r, dg = colour.g - palette[i].g,
            db = colour.b - palette[i].b;
    int64_t distance = dr * dr + dg * dg + db * db;
    if (distance < best_distance) {
      best_distance = distance;
      best = i;
    }
  }
  return best;
}

}  // namespace sheetwright::output::dxf
