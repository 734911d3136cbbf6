// The data (not drawing) formats the converter writes through GDAL, and their file names.
// GeoPackage is the only one: it holds every layer of a mesh in one file, while GDAL's
// FlatGeobuf, GeoJSON and Shapefile drivers hold one layer per file.
#pragma once

#include <optional>
#include <string_view>

namespace sheetwright::gis {

enum class DataFormat { kGpkg };

// "gpkg" (as on the command line); nullopt for anything else.
std::optional<DataFormat> ParseDataFormat(std::string_view name);
// ".gpkg".
std::string_view Extension(DataFormat format);

}  // namespace sheetwright::gis
