// Map coordinates to drawing units, the vertex buffer through which every drawer assembles its
// figures, and the pen-width rule.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "mapdata/coordinates.h"
#include "picture/picture.h"

namespace sheetwright::drawers {

// Maps the two number texts of a coordinate line (first = northward, second = eastward) to drawing
// units: each times 10.0, truncated toward zero; x = second, y = 15000 - first. A text that is not
// a number throws ConversionError ("'%s' は浮動小数点数ではありません"). Values beyond the 32-bit
// range saturate.
picture::Point MapCoordinate(std::string_view first, std::string_view second);

// MapCoordinate of fields 1 and 2 of a coordinate line, read as mapdata::ReadCoordinateLine reads
// them.
picture::Point MapCoordinateLine(std::string_view line);

// One value times 10.0, truncated toward zero, saturating at the 32-bit range.
int32_t MapValue(double value);

// The points of the figure being assembled. Grows as needed: no figure is too long for it.
class VertexBuffer {
 public:
  void Reset() { points_.clear(); }
  static constexpr size_t kMaxPoints = mapdata::kMaxFigurePoints;

  // Appends (x, y) unless it repeats the point stored last. A figure beyond kMaxPoints throws
  // ConversionError.
  void XYSet(picture::Point p) {
    if (!points_.empty() && points_.back() == p) return;
    if (points_.size() == kMaxPoints) TooManyPoints();
    points_.push_back(p);
  }
  // XYSet for each point of `run`, last to first when `reversed`, for a run that has no point
  // repeating the one before it (so only its first point can repeat the stored last one).
  void AppendRun(std::span<const picture::Point> run, bool reversed) {
    if (run.empty()) return;
    picture::Point first = reversed ? run.back() : run.front();
    if (!points_.empty() && points_.back() == first)
      run = reversed ? run.first(run.size() - 1) : run.subspan(1);
    if (run.size() > kMaxPoints - points_.size()) TooManyPoints();
    if (reversed) {
      points_.insert(points_.end(), run.rbegin(), run.rend());
    } else {
      points_.insert(points_.end(), run.begin(), run.end());
    }
  }
  int Count() const { return static_cast<int>(points_.size()); }
  std::span<const picture::Point> Points() const { return points_; }

  [[noreturn]] static void TooManyPoints() { mapdata::FigureTooLong(); }

 private:
  std::vector<picture::Point> points_;
};

// Pen width in drawing units for width step p (1..5) and the layer's factor k: 1 for p = 1, else
// p * k.
inline int32_t PenWidth(int step, int factor) { return step <= 1 ? 1 : step * factor; }

}  // namespace sheetwright::drawers
