#include "mapdata/fields.h"

namespace sheetwright::mapdata {

std::string_view Field(std::string_view line, int n) {
  std::string_view rest = line;
  for (int k = 1; k <= n; ++k) {
    size_t comma = rest.find(',');
    if (comma == std::string_view::npos) return k == n ? rest : std::string_view();
    if (k == n) return rest.substr(0, comma);
    rest.remove_prefix(comma + 1);
  }
  return {};
}

}  // namespace sheetwright::mapdata
