// The map data of one mesh as GIS features: every layer of gis_layers.h read from its files and
// written into a GisFile. This is data, not a drawing: every record of every class is written
// (no layer switches, no styles), coordinates stay in map metres, and polygons become areas with
// their holes rather than filled outlines.
#pragma once

#include <string>

#include "base/messages.h"
#include "export/gis_file.h"
#include "export/sheet_origins.h"

namespace sheetwright::gis {

// Writes the mesh in `mesh_folder` into `file`, whose layers PrepareGpkg has made; each feature
// carries `mesh` (a folder name: UTF-8, or CP932 decoded) in its mesh column and is shifted by
// `placement`. Missing files give no features. Bad records are told to `sink` with the drawers'
// messages and written all the same as far as they go: an arc without its point count without
// geometry, a polygon that makes no valid area into the polygon_problem layer as lines. A number
// field that is not a number, or an unreadable file, throws ConversionError (the mesh fails, as its
// conversion to a drawing would).
void ExportMesh(const std::string& mesh_folder, const std::string& mesh, const Placement& placement,
                GisFile& file, base::MessageSink& sink);

}  // namespace sheetwright::gis
