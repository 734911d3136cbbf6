// The attribute columns of each export layer. Codes and IDs are integers; names are UTF-8 text
// decoded from the data's CP932, with the bytes as they stand in the data kept beside them in
// `*_raw` columns as lower-case hex (two digits a byte, no separator), which every GIS shows and
// no driver mangles.
#pragma once

#include <ogr_core.h>

#include <span>
#include <string_view>

#include "export/gis_layers.h"

namespace sheetwright::gis {

struct Column {
  std::string_view name;
  OGRFieldType type;
};

// Arcs: mesh, code (class code of field 1 without its letter), arc_id, line_type; road arcs also
// main_road (the road attribute's value, null when no attribute marks the arc), main_road_text
// and main_road_text_raw. Polygons: mesh, code, pid, label_east, label_north (the label point),
// name_code (the class code of the name line), name, name_raw. Points: mesh, code, pid,
// name_code, name, name_raw. Problems: mesh, source (the layer the record belongs to), code, pid,
// problem (open_ring, degenerate_ring, bad_reference, no_reference_count, no_arcs,
// no_arc_file), label_east, label_north, name_code, name, name_raw.
std::span<const Column> ColumnsOf(const LayerSpec& spec);

}  // namespace sheetwright::gis
