// The GeoPackage's own structure, made through GDAL: the file, its layers with the schema of
// gis_layers.h in a placement's CRS (the spatial index: GisFile::Index). GDAL is closed again
// before the rows are written (gis_file.h).
#pragma once

#include <string>
#include <vector>

#include "export/sheet_origins.h"

namespace sheetwright::gis {

// Creates the GeoPackage at `path` if it does not exist, and every layer it lacks in the
// placement's CRS. An existing layer whose CRS differs from the placement's (one layer holds one
// CRS) or whose columns differ refuses the mesh, as does a file that is not a GeoPackage GDAL can
// write; such a file is refused before anything in it changes. Throws
// ConversionError("<path> に書き込めません: <reason>").
void PrepareGpkg(const std::string& path, const Placement& placement);

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
