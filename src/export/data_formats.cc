#include "export/data_formats.h"

namespace sheetwright::gis {

std::optional<DataFormat> ParseDataFormat(std::string_view name) {
  if (name == "gpkg") return DataFormat::kGpkg;
  return std::nullopt;
}

std::string_view Extension(DataFormat) { return ".gpkg"; }

}  // namespace sheetwright::gis
