// One map of many sheets (--mosaic FILE): every mesh placed where it carries its place
// (mapdata/sheet_place.h) and drawn sheet by sheet into one printed PDF, so that only one sheet's
// picture is held at a time, however large the town. Where sheets meet, a line along the shared
// edge and a name label both sheets repeat are drawn once (output::PrintedPdf).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/messages.h"
#include "conversion/print_map.h"
#include "export/sheet_origins.h"
#include "picture/font_library.h"
#include "settings/layer_styles.h"

namespace sheetwright::conversion {

struct MosaicRequest {
  std::string path;  // the file; its extension chooses the format
  std::string input_folder;
  std::vector<std::string> meshes;
  PrintOptions print;
  std::shared_ptr<const gis::SheetOrigins> origins;  // the last resort of placement; may be null
};

// Why the file's extension cannot take a mosaic, or nullopt when it can (".pdf").
std::optional<std::string> MosaicRefusal(const std::string& path);

// Places every mesh (all in one zone), then converts and draws them one by one into the file,
// which replaces an older one only once complete. Bad records go to `sink` prefixed by the mesh.
// Throws ConversionError when a sheet cannot be placed, sheets lie in two zones, a conversion
// fails or the file cannot be stored.
void WriteMosaic(const MosaicRequest& request, const settings::StyleSource& styles,
                 picture::FontLibrary& fonts, base::MessageSink& sink);

}  // namespace sheetwright::conversion
