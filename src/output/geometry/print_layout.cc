#include "output/geometry/print_layout.h"

#include <algorithm>
#include <cmath>

namespace sheetwright::output {
namespace {

// ISO 216, portrait: width x height in mm.
constexpr double kPaperSizes[][2] = {{841, 1189}, {594, 841}, {420, 594}, {297, 420}, {210, 297}};

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return (x | 0x20) == (y | 0x20);
         });
}

// Pages needed along one axis: a window of `window` mm for `length` mm of map, neighbours
// overlapping by kPageOverlap.
int PagesAlong(double length, double window) {
  if (length <= window + 1e-9) return 1;
  return 1 + static_cast<int>(std::ceil((length - window) / (window - kPageOverlap) - 1e-9));
}

PrintLayout OnPaper(const GroundBox& map, int scale, int size, bool landscape) {
  PrintLayout layout;
  layout.scale = scale;
  layout.paper_width = kPaperSizes[size][landscape ? 1 : 0];
  layout.paper_height = kPaperSizes[size][landscape ? 0 : 1];
  layout.window = {kPrintMargin, kPrintMargin + kTitleBand, layout.paper_width - 2 * kPrintMargin,
                   layout.paper_height - 2 * kPrintMargin - kTitleBand - kFootBand};
  double mm = layout.MmPerMetre();
  layout.columns = PagesAlong(map.Width() * mm, layout.window.width);
  layout.rows = PagesAlong(map.Height() * mm, layout.window.height);
  double step_east = (layout.window.width - kPageOverlap) / mm;
  double step_south = (layout.window.height - kPageOverlap) / mm;
  // A map that fits across (or down) one page stands in the middle of the window.
  double west = map.west, north = map.north;
  if (layout.columns == 1) west -= (layout.window.width / mm - map.Width()) / 2;
  if (layout.rows == 1) north += (layout.window.height / mm - map.Height()) / 2;
  for (int row = 0; row < layout.rows; ++row) {
    for (int column = 0; column < layout.columns; ++column) {
      PrintPage page{row, column, {}};
      page.ground.west = west + column * step_east;
      page.ground.east = page.ground.west + layout.window.width / mm;
      page.ground.north = north - row * step_south;
      page.ground.south = page.ground.north - layout.window.height / mm;
      layout.pages.push_back(page);
    }
  }
  return layout;
}

PrintLayout Oriented(const GroundBox& map, int scale, int size, Orientation orientation) {
  if (orientation != Orientation::kAuto) {
    return OnPaper(map, scale, size, orientation == Orientation::kLandscape);
  }
  PrintLayout landscape = OnPaper(map, scale, size, true);
  PrintLayout portrait = OnPaper(map, scale, size, false);
  return portrait.pages.size() < landscape.pages.size() ? portrait : landscape;
}

}  // namespace

std::optional<Paper> ParsePaper(std::string_view name) {
  constexpr std::string_view kNames[] = {"A0", "A1", "A2", "A3", "A4", "auto"};
  for (int k = 0; k < 6; ++k) {
    if (SameText(name, kNames[k])) return static_cast<Paper>(k);
  }
  return std::nullopt;
}

std::optional<Orientation> ParseOrientation(std::string_view name) {
  if (name == "auto") return Orientation::kAuto;
  if (name == "portrait") return Orientation::kPortrait;
  if (name == "landscape") return Orientation::kLandscape;
  return std::nullopt;
}

bool IsPrintScale(int scale) {
  return scale == 500 || scale == 1000 || scale == 2500 || scale == 5000 || scale == 10000;
}

PrintLayout LayOutPrint(const GroundBox& map, int scale, Paper paper, Orientation orientation) {
  if (paper != Paper::kAuto) return Oriented(map, scale, static_cast<int>(paper), orientation);
  for (int size = static_cast<int>(Paper::kA4); size > 0; --size) {
    PrintLayout layout = Oriented(map, scale, size, orientation);
    if (layout.pages.size() == 1) return layout;
  }
  return Oriented(map, scale, 0, orientation);
}

namespace {

std::string RomanZone(int zone) {
  static constexpr const char* kRoman[] = {"",    "I",    "II",  "III",  "IV",    "V",   "VI",
                                           "VII", "VIII", "IX",  "X",    "XI",    "XII", "XIII",
                                           "XIV", "XV",   "XVI", "XVII", "XVIII", "XIX"};
  return zone >= 1 && zone <= 19 ? kRoman[zone] : "";
}

}  // namespace

std::string PrintPlaceText(std::string_view datum, int zone, int epsg) {
  if (zone == 0) return "sheet-local metres (no datum, no zone)";
  return std::string(datum) + " datum, plane rectangular zone " + RomanZone(zone) +
         " (EPSG:" + std::to_string(epsg) + ")";
}

}  // namespace sheetwright::output

namespace sheetwright::output {
namespace {

// The scale bar's length in metres: the longest round length of at most 80 mm on paper.
int ScaleBarMetres(double mm_per_metre) {
  int best = 10;
  for (int metres : {10, 20, 50, 100, 200, 500, 1000, 2000}) {
    if (metres * mm_per_metre <= 80) best = metres;
  }
  return best;
}

FurnitureShape Box(double x, double y, double width, double height, double stroke,
                   double fill_grey) {
  return {{{x, y}, {x + width, y}, {x + width, y + height}, {x, y + height}}, stroke, fill_grey};
}

// A bar of four fields, black and white by turns, its length and the scale written beside it.
void ScaleBar(const PrintLayout& layout, double x, double y, PageFurniture& f) {
  int metres = ScaleBarMetres(layout.MmPerMetre());
  double length = metres * layout.MmPerMetre() * 10, field = length / 4;
  for (int k = 0; k < 4; ++k)
    f.shapes.push_back(Box(x + k * field, y, field, 25, 2, k % 2 == 0 ? 0 : -1));
  f.texts.push_back({x - 10, y + 65, 30, "0", false});
  f.texts.push_back({x + length, y + 65, 30, std::to_string(metres) + " m", true});
  f.texts.push_back({x, y + 130, 40, "1:" + std::to_string(layout.scale), false});
}

void NorthArrow(double x, double y, PageFurniture& f) {
  f.shapes.push_back({{{x, y + 60}, {x + 45, y + 220}, {x, y + 180}, {x - 45, y + 220}}, 0, 0});
  f.texts.push_back({x - 15, y + 45, 40, "N", false});
}

// The whole map small, the part this page shows shaded, every sheet's outline.
void Index(const PrintInfo& info, const PrintPage& page, double x, double y, double width,
           double height, PageFurniture& f) {
  const GroundBox& m = info.map;
  double k = std::min(width / m.Width(), height / m.Height());
  auto px = [&](double east) { return x + (east - m.west) * k; };
  auto py = [&](double north) { return y + (m.north - north) * k; };
  GroundBox shown{std::max(m.west, page.ground.west), std::max(m.south, page.ground.south),
                  std::min(m.east, page.ground.east), std::min(m.north, page.ground.north)};
  f.shapes.push_back(
      Box(px(shown.west), py(shown.north), shown.Width() * k, shown.Height() * k, 0, 0.8));
  for (const GroundBox& s : info.sheets) {
    f.shapes.push_back(Box(px(s.west), py(s.north), s.Width() * k, s.Height() * k, 1, -1));
  }
}

}  // namespace

PageFurniture FurnitureOf(const PrintLayout& layout, const PrintInfo& info, const PrintPage& page) {
  PageFurniture f;
  const PaperBox& w = layout.window;
  double margin = kPrintMargin * 10, right = layout.paper_width * 10 - margin;
  f.shapes.push_back(Box(w.x * 10, w.y * 10, w.width * 10, w.height * 10, 3, -1));
  f.texts.push_back({margin, margin + 110, 70, info.title, false});
  std::string where = "1:" + std::to_string(layout.scale);
  if (layout.pages.size() > 1) {
    where += "   page " + std::to_string(page.row * layout.columns + page.column + 1) + " of " +
             std::to_string(layout.pages.size()) + " (row " + std::to_string(page.row + 1) +
             ", column " + std::to_string(page.column + 1) + ")";
  }
  f.texts.push_back({right, margin + 110, 40, where, true});
  double foot = (w.y + w.height) * 10 + 50;
  ScaleBar(layout, margin, foot, f);
  NorthArrow(margin + 1050, foot, f);
  f.texts.push_back({margin + 1250, foot + 40, 35, info.place, false});
  f.texts.push_back({margin + 1250, foot + 100, 35,
                     std::to_string(info.sheets.size()) + " sheet(s), 2 km x 1.5 km each", false});
  Index(info, page, right - 500, foot, 500, 200, f);
  return f;
}

}  // namespace sheetwright::output
