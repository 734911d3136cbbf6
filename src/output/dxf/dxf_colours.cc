#include "output/dxf/dxf_colours.h"

#include <array>
#include <cmath>
#include <numbers>

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

struct Lab {
  double l, a, b;
  double Chroma() const { return std::hypot(a, b); }
  double Hue() const { return std::atan2(b, a) * 180 / std::numbers::pi; }  // degrees
};

// sRGB (D65) to CIELAB.
Lab ToLab(picture::Rgb c) {
  auto linear = [](uint8_t v) {
    double s = v / 255.0;
    return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  double r = linear(c.r), g = linear(c.g), b = linear(c.b);
  double x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047;
  double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
  double z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883;
  auto f = [](double t) {
    return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116;
  };
  return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

const std::array<Lab, 256>& PaletteLab() {
  static const std::array<Lab, 256> lab = [] {
    std::array<Lab, 256> out{};
    for (int i = 0; i < 256; ++i) out[i] = ToLab(Palette()[i]);
    return out;
  }();
  return lab;
}

// Below this chroma a colour reads as grey (the palette's hues have 20 and more).
constexpr double kGreyChroma = 6;

// How far apart two colours look for this palette: lightness and hue in full, chroma a quarter.
// The palette's hues are all strongly saturated, so a pale map tint (a cream, a pale blue) is far
// from every one of them in chroma; counted in full, chroma would pick a dark entry of another
// hue over the light one of its own (cream became mid-brown, pale pink dark brown).
double Distance(const Lab& x, const Lab& y) {
  double dl = x.l - y.l, dc = (x.Chroma() - y.Chroma()) / 4;
  double dh = std::fabs(x.Hue() - y.Hue());
  if (dh > 180) dh = 360 - dh;
  if (x.Chroma() < kGreyChroma) dh = 0;  // a grey has no hue
  return dl * dl + dc * dc + dh * dh;
}

}  // namespace

picture::Rgb AciColour(int index) { return Palette()[index > 0 && index < 256 ? index : 7]; }

int NearestAci(picture::Rgb colour, const std::bitset<256>& avoid) {
  if (colour == picture::Rgb{0, 0, 0}) return 7;
  const auto& palette = PaletteLab();
  const Lab lab = ToLab(colour);
  const bool grey = lab.Chroma() < kGreyChroma;
  int best = 0;
  double best_distance = HUGE_VAL;
  for (int pass = 0; pass < 2 && best == 0; ++pass) {
    for (int i = 1; i < 256; ++i) {
      // White (7, 255) is drawn in the foreground colour by CADs and their printouts: a pale fill
      // would come out black. It stays for black alone.
      if (i == 7 || i == 255 || avoid[i]) continue;
      // Greys for greys, hues for colours; should every one of them be avoided, the others.
      if (pass == 0 && (palette[i].Chroma() < kGreyChroma) != grey) continue;
      double distance = Distance(lab, palette[i]);
      if (distance < best_distance) {
        best_distance = distance;
        best = i;
      }
    }
  }
  return best == 0 ? 8 : best;
}

}  // namespace sheetwright::output::dxf
