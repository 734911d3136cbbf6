// Field: the one field splitter every reader uses. Fields are the texts between commas,
// numbered from 1, never trimmed or unquoted. Works on bytes: the comma byte never occurs inside a
// Shift_JIS double-byte character.
#pragma once

#include <span>
#include <string_view>

namespace sheetwright::mapdata {

// The n-th comma-separated field of `line` exactly as written, or empty text when the line has
// fewer than n fields or n <= 0. An empty field and a missing one give the same result. The view
// points into `line`.
std::string_view Field(std::string_view line, int n);

// Fields 1 to fields.size() of `line` in one pass: fields[k - 1] becomes Field(line, k). For
// the table loaders, which take several fields of every record line.
inline void SplitFields(std::string_view line, std::span<std::string_view> fields) {
  size_t k = 0;
  for (; k < fields.size(); ++k) {
    size_t comma = line.find(',');
    if (comma == std::string_view::npos) {
      fields[k++] = line;
      break;
    }
    fields[k] = line.substr(0, comma);
    line.remove_prefix(comma + 1);
  }
  for (; k < fields.size(); ++k) fields[k] = {};
}

}  // namespace sheetwright::mapdata
