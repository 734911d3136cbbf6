// The parts of a DXF file around its entities: the header (version, code page, extents, units),
// the tables (line type, layers, text styles, application, block records), the blocks and, for
// release 2010, the objects that its readers require. Internal to the DXF writer
// (dxf_writer.h), which collects what the tables name before it writes the entities.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "output/dxf/dxf_groups.h"
#include "output/dxf/dxf_writer.h"
#include "picture/colour.h"

namespace sheetwright::output::dxf {

struct CadLayer {
  std::string name;  // in the file's encoding
  picture::Rgb colour;
};

struct CadStyle {
  std::string name;       // in the file's encoding
  std::string font_file;  // what CADs look the face up by
  std::string family;     // the face name, UTF-8 (release 2010 names the TrueType family)
};

struct DocumentInfo {
  DxfFlavour flavour = DxfFlavour::kR12;
  double west_m = 0, south_m = 0;    // the drawing's south-west corner (a mosaic's map)
  double width_m = 0, height_m = 0;  // the sheet, or the mosaic's map
  std::vector<CadLayer> layers;
  std::vector<CadStyle> styles;
  std::vector<picture::Rgb> fills;  // every colour a solid area is filled with
  uint64_t handle_seed = 0;         // above every handle of the entities
};

// Handles of release 2010's fixed objects; entities take theirs from kFirstEntityHandle on.
constexpr uint64_t kModelSpaceRecord = 0x1F;
constexpr uint64_t kFirstEntityHandle = 0x100;

// HEADER, CLASSES, TABLES and BLOCKS, then opens ENTITIES.
void WriteHead(GroupWriter& out, const DocumentInfo& info);
// Closes ENTITIES, writes OBJECTS (release 2010) and the end of file.
void WriteTail(GroupWriter& out, const DocumentInfo& info);

}  // namespace sheetwright::output::dxf
