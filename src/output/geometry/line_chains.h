// Lines of one pen gathered into as few polylines as possible, joined where one ends at a point
// where another starts or ends. Stroked as one path with round caps and joins, the chains cover
// exactly what the lines do (each is the set of points within half the pen width of a line), while
// a vector document holds each shared point once and a move for every chain instead of every line.
// A map's street and block lines are mostly short segments meeting at corners. Used by the
// Cairo renderer for vector targets.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "picture/picture.h"

namespace sheetwright::output {

class LineChainer {
 public:
  // A line of at least two points.
  void Add(std::span<const picture::Point> line);
  bool empty() const { return ends_.empty(); }
  // Hands over every chain, then holds no line. Each line is in exactly one chain, forwards or
  // backwards; chains start in the order of their first line.
  void Chain(const std::function<void(std::span<const picture::Point>)>& take);

 private:
  std::vector<uint32_t> PointNumbers(uint32_t& numbers) const;

  std::vector<picture::Point> points_;
  std::vector<uint32_t> ends_;  // line i is points_[i ? ends_[i - 1] : 0, ends_[i])
};

}  // namespace sheetwright::output
