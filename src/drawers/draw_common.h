// Small pieces the six drawers share: reporting a bad line, reading an arc's coordinate lines out
// of the arc table. Private to the drawer implementations and the GIS export (src/export), which
// reports bad records as the drawers do.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/encoding.h"
#include "base/messages.h"
#include "drawers/geometry.h"
#include "mapdata/arc_table.h"
#include "mapdata/token.h"

namespace sheetwright::drawers::internal {

// Shows `prefix` followed directly by the offending line or field. The map bytes are CP932; the
// sink takes UTF-8.
inline void Report(base::MessageSink& sink, std::string_view prefix, std::string_view cp932) {
  std::string text(prefix);
  text += base::MessageText(cp932);
  sink.Show(text);
}

// The line of an arc table slot, or empty text for a slot outside the loaded lines. An arc record
// whose point count runs past the end of the table thus fails like an arc file that ends too early
// (a coordinate "" that is not a number) instead of reading lines that are not there.
inline std::string_view ArcSlotLine(const mapdata::ArcTable& arcs, int64_t slot) {
  if (slot < 0 || slot > arcs.ArcLast()) return {};
  return arcs.ArcLines(static_cast<int>(slot));
}

// The absolute value of a signed arc reference. The one value without a positive counterpart
// (-2147483648) stays as it is, which is what the data's original platform did with it; it finds
// only an arc written with that very ID.
inline int32_t ArcIdOf(int32_t reference) {
  if (reference >= 0) return reference;
  if (reference == INT32_MIN) return reference;
  return -reference;
}

}  // namespace sheetwright::drawers::internal
