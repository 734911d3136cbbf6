// Maps printed at a true scale (--scale): the options, the place of each sheet on the ground, and
// the printed PDF of one sheet. The pages themselves are output::PrintedPdf's.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "conversion/output_files.h"
#include "mapdata/sheet_place.h"
#include "output/geometry/print_layout.h"
#include "output/pdf/printed_pdf.h"

namespace sheetwright::conversion {

struct PrintOptions {
  int scale = 2500;  // 1:scale, one of output::IsPrintScale
  output::Paper paper = output::Paper::kAuto;
  output::Orientation orientation = output::Orientation::kAuto;
  std::string title;  // UTF-8; empty: the mesh (or the first and last mesh of a mosaic)
  mapdata::Datum datum = mapdata::Datum::kTokyo;
};

struct PlacedSheet {
  std::string mesh;
  mapdata::SheetPlace place;
  output::GroundBox Ground() const;
};

// What the print names besides the drawing: title, datum and zone, the frame round the sheets
// and the sheets for the index.
output::PrintInfo PrintInfoOf(const std::vector<PlacedSheet>& sheets, const PrintOptions& options);

// One sheet on its pages: placed where it carries its place, else in sheet-local metres (a
// single sheet needs no place to be printed; the page then says so).
void WritePrintedSheet(const picture::Picture& sheet, const std::string& mesh_folder,
                       const std::string& mesh, const PrintOptions& options,
                       picture::FontLibrary& fonts, const ByteWriter& write);

}  // namespace sheetwright::conversion
