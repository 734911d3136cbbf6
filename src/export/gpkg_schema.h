// The GeoPackage's own structure, made through GDAL: the file, its layers with the schema of
// gis_layers.h in a placement's CRS, and the spatial index of a finished collection. GDAL is closed
// again before the rows are written (gis_file.h).
#pragma once

#include <string>

#include "export/sheet_origins.h"

namespace sheetwright::gis {

// Creates the GeoPackage at `path` if it does not exist, and every layer it lacks in the
// placement's CRS. An existing layer whose CRS differs from the placement's refuses the mesh (one
// layer holds one CRS), as does a file that is not a GeoPackage GDAL can write. Throws
// ConversionError("<path> に書き込めません: <reason>").
void PrepareGpkg(const std::string& path, const Placement& placement);

// Gives every layer a spatial index (GeoPackage's R-tree) unless it has one. Layers are made
// without: the index costs about three times the rest of the writing (built row by row or at
// once alike), which a single sheet does not need and a mosaic of many sheets does.
void IndexGpkg(const std::string& path);

}  // namespace sheetwright::gis
