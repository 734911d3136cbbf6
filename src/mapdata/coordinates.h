// Coordinate lines as the map data holds them: "north,east" in metres from the sheet's origin.
// The one reading that the drawing (which maps to drawing units, drawers/geometry.h) and the GIS
// export (which keeps metres) share, with its error and the bound on a figure's points.
#pragma once

#include <cstddef>
#include <string_view>

namespace sheetwright::mapdata {

// A coordinate line's two values in map metres: field 1 the northing, field 2 the easting.
struct MapMetres {
  double north = 0, east = 0;
};

// Reads fields 1 and 2 of a coordinate line (Field's fields: a missing one is empty text and
// fails as such). A field that is not a number throws ConversionError ("'%s' は浮動小数点数では
// ありません"), the first field's before the second's.
MapMetres ReadCoordinateLine(std::string_view line);

// One coordinate text as a number; the same error for a text that is not one.
double ParseCoordinate(std::string_view text);

// No real figure comes near this (128 MB of points); a polygon that references the same long
// arc over and over could otherwise take all the memory there is.
inline constexpr size_t kMaxFigurePoints = size_t{1} << 24;

// The ConversionError of a figure beyond kMaxFigurePoints.
[[noreturn]] void FigureTooLong();

}  // namespace sheetwright::mapdata
