// The name of a label line as the label drawers write it: one field alone, or two fields joined,
// with blanks and control characters trimmed from both ends. Shared with the GIS export, whose
// name columns hold exactly the text the drawing shows.
#pragma once

#include <limits>
#include <string>
#include <string_view>

#include "mapdata/fields.h"

namespace sheetwright::mapdata {

// Blanks and control characters: every byte up to 32. Shift_JIS bytes of double-byte characters
// are all above that, so trimming never cuts a character.
inline std::string_view TrimControls(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
  return s;
}

// The name of one attribute line. `single_field` takes field |field| alone; otherwise fields
// `field` and `field` + 1 are joined without separator (into `buffer`, reused between lines).
inline std::string_view BuildName(std::string_view line, int field, bool single_field,
                                  std::string& buffer) {
  if (single_field) return TrimControls(Field(line, field));
  std::string_view first = Field(line, field);
  std::string_view second = field < std::numeric_limits<int>::max()
                                ? Field(line, field + 1)
                                : std::string_view();
  if (second.empty()) return TrimControls(first);
  buffer.assign(first);
  buffer.append(second);
  return TrimControls(buffer);
}

}  // namespace sheetwright::mapdata
