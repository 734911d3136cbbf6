// One map of many sheets (--mosaic FILE): every mesh placed where it carries its place
// (mapdata/sheet_place.h) and drawn sheet by sheet into one drawing, so that only one sheet's
// picture is held at a time, however large the town: a printed PDF (output::PrintedPdf) or SVG
// (output::PrintedSvg, one file per page), a PNG image of one pixel to the metre
// (output::MosaicImage) or a release 12 DXF in map metres (output::DxfMosaic). Where sheets meet,
// a line along the shared edge and a name label both sheets repeat are drawn once (SheetJoins).
#pragma once

#include <functional>
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
  // Whether the caller takes such origins (--sheet-origins): a sheet nothing places says so.
  bool origins_offered = true;
  // Asked while the sheets are drawn: once it says yes, the mosaic ends with ConversionCancelled
  // and no file is left of it.
  std::function<bool()> stop_requested;
  // Told of each sheet of a PDF, SVG or PNG map once it is drawn, by its index in `meshes`, with
  // its picture as the map shows it (what it shares with the sheets before it left out) and the
  // ground its frame covers.
  std::function<void(size_t index, const picture::Picture& sheet, const output::GroundBox& ground)>
      sheet_drawn;
};

// Why the file's extension cannot take a mosaic, or nullopt when it can (".pdf", ".svg", ".png",
// ".dxf").
std::optional<std::string> MosaicRefusal(const std::string& path);

// Places every mesh (all in one zone), then converts and draws them one by one into the file,
// which replaces an older one only once complete. Bad records go to `sink` prefixed by the mesh.
// Throws ConversionError when a sheet cannot be placed, sheets lie in two zones, a conversion
// fails or the file cannot be stored.
void WriteMosaic(const MosaicRequest& request, const settings::StyleSource& styles,
                 picture::FontLibrary& fonts, base::MessageSink& sink);

}  // namespace sheetwright::conversion
