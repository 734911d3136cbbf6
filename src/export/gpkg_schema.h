// The GeoPackage's own structure, made through GDAL: the file, its layers with the schema of
// gis_layers.h in a placement's CRS, and the spatial index of a finished collection. GDAL is closed
// again before the rows are written (gis_file.h).
#pragma once

#include <string>
#include <vector>

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

// One sheet of the `sheet_index` layer: its frame (2 km x 1.5 km from its south-west corner) and
// what names it, for a GIS's atlas of the sheets.
struct SheetIndexRow {
  std::string mesh;
  std::string sheet_code;  // empty when the mesh's name is no sheet code
  int zone = 0;
  std::string datum;  // "Tokyo", "JGD2000", "JGD2011"
  Placement placement;
};

// Appends the rows to the layer `sheet_index` (made when missing, in the first row's CRS); a row
// in another CRS than the layer's refuses the lot. Throws ConversionError as PrepareGpkg.
void WriteSheetIndex(const std::string& path, const std::vector<SheetIndexRow>& rows);

}  // namespace sheetwright::gis
