#include "drawers/geometry.h"

#include <cmath>
#include <limits>

#include "mapdata/coordinates.h"

namespace sheetwright::drawers {
namespace {

constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

int32_t Saturate(int64_t v) {
  return static_cast<int32_t>(v < kInt32Min ? kInt32Min : v > kInt32Max ? kInt32Max : v);
}

}  // namespace

int32_t MapValue(double value) {
  // The product is rounded to double before truncation: 1234.56 * 10.0 is 12345.599999...,
  // which truncates to 12345.
  double scaled = value * picture::kUnitsPerMetre;
  if (std::isnan(scaled)) return 0;
  // Compare in double before converting: converting an out-of-range double is undefined.
  if (scaled <= static_cast<double>(kInt32Min)) return static_cast<int32_t>(kInt32Min);
  if (scaled >= static_cast<double>(kInt32Max)) return static_cast<int32_t>(kInt32Max);
  return static_cast<int32_t>(scaled);  // truncates toward zero
}

picture::Point MapCoordinate(std::string_view first, std::string_view second) {
  int32_t north = MapValue(mapdata::ParseCoordinate(first));
  int32_t east = MapValue(mapdata::ParseCoordinate(second));
  return picture::Point{east, Saturate(int64_t{picture::kFrameHeight} - north)};
}

picture::Point MapCoordinateLine(std::string_view line) {
  mapdata::MapMetres m = mapdata::ReadCoordinateLine(line);
  return picture::Point{MapValue(m.east),
                        Saturate(int64_t{picture::kFrameHeight} - MapValue(m.north))};
}

}  // namespace sheetwright::drawers
