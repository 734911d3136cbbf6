// The fixed program of a mesh conversion: the 43 layer rows in stacking order (fills, then outlines
// and line features, then names, the administrative boundaries last) with the table loads that run
// between them. Kept as data so that the order, files, codes and styles can be read and checked in
// one place; convert_mesh.cc walks it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "mapdata/mesh_files.h"
#include "settings/layer_styles.h"

namespace sheetwright::conversion {

// One of the mesh's data file paths.
using MeshPath = std::string mapdata::MeshFiles::*;

// How a step loads a table. Every load of a table first empties it, then fills
// it from the file when the file exists; a missing file leaves the table empty without a message.
enum class TableLoad : uint8_t {
  kNone,
  kArcs,             // the arc table
  kPolygons,         // the polygon table
  kPolygonsIfEmpty,  // LoadPolygons without emptying, and only while the polygon table is still
                     // empty
  kPoints,           // the point table
  kRoadAttributes,   // the attribute table; runs after the row's file test, not before it
};

enum class DrawerKind : uint8_t { kFill, kOutline, kArcs, kMainRoads, kNames, kPointNames };

// What a row needs besides its switch and its own file.
enum class TableNeed : uint8_t {
  kNothing,
  kTwoArcLines,  // two lines or more: the city fill wants at least two lines in the arc table
  kArcs,         // at least one line
  kPolygons,     // at least one polygon record
  kPoints,       // at least one point record
};

struct ConversionStep {
  // 1..43 for a layer row; 0 for a load that runs whatever the switches say.
  int row = 0;
  settings::LayerKey key = settings::LayerKey::kSumiLine;  // layer rows only
  TableLoad load = TableLoad::kNone;
  MeshPath load_file = nullptr;
  DrawerKind drawer = DrawerKind::kArcs;
  MeshPath file = nullptr;  // the drawer's file; the row is skipped when it does not exist
  std::string_view code;    // layer code: the first characters of the lines drawn
  TableNeed need = TableNeed::kNothing;
  int width_factor = 0;                  // pen-width factor of line rows; 0 when the row has no pen
  std::optional<settings::FontId> font;  // label rows
  int field = 0;  // label rows: -n field n alone; n >= 0 fields n and n + 1 joined
};

// Every step in execution order: the loads that always run and the 43 rows.
std::span<const ConversionStep> ConversionSteps();
constexpr int kLayerRowCount = 43;

// The pen-width factor of the corner marks, which are drawn directly on the sheet.
constexpr int kCornerMarkFactor = 5;

}  // namespace sheetwright::conversion
