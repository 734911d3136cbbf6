// The thinnest pen the vector formats (SVG, PDF) draw: 0.4 pt, the width of one pixel of the
// standard PNG (2000 pixels across the 800-point page), so that a hairline layer looks as thin
// in the vector drawings as in the PNG. A reader then draws it at least one device pixel wide,
// as it does any width that is not zero; on paper it stays a fine line.
#pragma once

#include <algorithm>
#include <cstdint>

namespace sheetwright::output {

constexpr double kPenFloorPoints = 0.4;

// A pen of `width` drawing units (negative as 0) where one point of the document is `point`
// drawing units.
inline double VectorPenWidth(int32_t width, double point) {
  return std::max(static_cast<double>(std::max(width, 0)), kPenFloorPoints * point);
}

}  // namespace sheetwright::output
