// A map printed at a true scale: the paper, the map window on it (a title band above, a band for
// the scale bar, north arrow, datum and index below), and the pages a map larger than the window
// is cut into, in reading order (rows from the north, columns from the west) with a small overlap.
// Lengths on paper are millimetres from the paper's top-left corner; on the ground, metres of the
// plane rectangular system. Used by the printed PDF and SVG writers.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sheetwright::output {

enum class Paper { kA0, kA1, kA2, kA3, kA4, kAuto };
enum class Orientation { kAuto, kPortrait, kLandscape };

// "A0".."A4" (either case) or "auto"; "portrait", "landscape" or "auto"; nullopt otherwise.
std::optional<Paper> ParsePaper(std::string_view name);
std::optional<Orientation> ParseOrientation(std::string_view name);
// The scales a map is printed at: 500, 1000, 2500, 5000, 10000.
bool IsPrintScale(int scale);

struct GroundBox {
  double west = 0, south = 0, east = 0, north = 0;
  double Width() const { return east - west; }
  double Height() const { return north - south; }
};

struct PaperBox {
  double x = 0, y = 0, width = 0, height = 0;  // mm from the top-left corner, y down
};

struct PrintPage {
  int row = 0, column = 0;  // from the north-west page, 0-based
  GroundBox ground;         // what the page's map window shows
};

struct PrintLayout {
  int scale = 0;
  double paper_width = 0, paper_height = 0;  // mm
  PaperBox window;                           // where the map is drawn
  int rows = 0, columns = 0;
  std::vector<PrintPage> pages;  // rows * columns, in reading order
  double MmPerMetre() const { return 1000.0 / scale; }
};

// Margin round the paper, the bands above and below the map window, and the overlap of
// neighbouring pages, all in mm.
inline constexpr double kPrintMargin = 10;
inline constexpr double kTitleBand = 16;
inline constexpr double kFootBand = 30;
inline constexpr double kPageOverlap = 10;

// Lays out `map` at 1:`scale`. kAuto paper: the smallest A size whose window holds the whole map
// on one page, else A0. kAuto orientation: the one that needs fewer pages (landscape on a tie).
PrintLayout LayOutPrint(const GroundBox& map, int scale, Paper paper, Orientation orientation);

// What a printed map names and shows besides the drawing.
struct PrintInfo {
  std::string title;              // UTF-8: the mesh, the mosaic or --title
  std::string place;              // UTF-8: the datum, the zone and its EPSG code
  GroundBox map;                  // the frame drawn round the map
  std::vector<GroundBox> sheets;  // every sheet, drawn small in the index
};

// "Tokyo datum, plane rectangular zone VII (EPSG:30167)"; for zone 0, sheet-local metres.
std::string PrintPlaceText(std::string_view datum, int zone, int epsg);

// What a page shows round its map, in tenths of a millimetre from the paper's top-left corner,
// y down, in drawing order: the window's border, the title and the page's place among the pages,
// the scale bar with its length and ratio, the north arrow, the datum and zone, the count of
// sheets, and the index (the whole map small, the part this page shows shaded, every sheet's
// outline). Each printed writer draws it in its own terms.
struct FurnitureShape {
  std::vector<std::array<double, 2>> corners;  // a closed outline
  double stroke = 0;                           // the pen's width; 0: not stroked
  double fill_grey = -1;                       // 0 black to 1 white; below 0: not filled
};
struct FurnitureText {
  double x = 0, baseline = 0;  // the start, or with `right` the end, of the text
  int height = 0;              // the em
  std::string text;            // UTF-8
  bool right = false;
};
struct PageFurniture {
  std::vector<FurnitureShape> shapes;
  std::vector<FurnitureText> texts;  // drawn over the shapes
};
PageFurniture FurnitureOf(const PrintLayout& layout, const PrintInfo& info, const PrintPage& page);

}  // namespace sheetwright::output
