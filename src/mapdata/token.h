// TokenGet: the one field splitter every reader uses. Fields are the texts between commas,
// numbered from 1, never trimmed or unquoted. Works on bytes: the comma byte never occurs inside a
// Shift_JIS double-byte character.
#pragma once

#include <string_view>

namespace sheetwright::mapdata {

// The n-th comma-separated field of `line` exactly as written, or empty text when the line has
// fewer than n fields or n <= 0. An empty field and a missing one give the same result. The view
// points into `line`.
std::string_view TokenGet(std::string_view line, int n);

}  // namespace sheetwright::mapdata
