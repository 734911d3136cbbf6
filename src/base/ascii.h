// Letter case without locale: names in map folders, settings keys and colour names are compared
// with only A-Z folded, so Shift_JIS and UTF-8 bytes are never touched.
#pragma once

#include <string_view>

namespace sheetwright::base {

constexpr char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

}  // namespace sheetwright::base
