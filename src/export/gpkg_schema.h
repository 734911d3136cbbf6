// The GeoPackage's own structure, made through GDAL: the file, its layers with the schema of
// gis_layers.h in a placement's CRS (the spatial index: GisFile::Index). GDAL is closed again
// before the rows are written (gis_file.h).
#pragma once

#include <string>

#include "export/sheet_origins.h"

namespace sheetwright::gis {

// Creates the GeoPackage at `path` if it does not exist, and every layer it lacks in the
// placement's CRS. An existing layer whose CRS differs from the placement's (one layer holds one
// CRS) or whose columns differ refuses the mesh, as does a file that is not a GeoPackage GDAL can
// write; such a file is refused before anything in it changes. Throws
// ConversionError("<path> に書き込めません: <reason>").
void PrepareGpkg(const std::string& path, const Placement& placement);

}  // namespace sheetwright::gis
