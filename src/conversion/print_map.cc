#include "conversion/print_map.h"

#include <algorithm>

#include "base/messages.h"

namespace sheetwright::conversion {

output::GroundBox PlacedSheet::Ground() const {
  return {place.east, place.north, place.east + mapdata::kSheetEastMetres,
          place.north + mapdata::kSheetNorthMetres};
}

output::PrintInfo PrintInfoOf(const std::vector<PlacedSheet>& sheets, const PrintOptions& options) {
  output::PrintInfo info;
  info.title = options.title;
  if (info.title.empty() && !sheets.empty()) {
    info.title = sheets.front().mesh;
    if (sheets.size() > 1) info.title += " - " + sheets.back().mesh;
  }
  int zone = sheets.empty() ? 0 : sheets.front().place.zone;
  info.place = output::PrintPlaceText(mapdata::DatumName(options.datum), zone,
                                      mapdata::EpsgOf(options.datum, zone));
  for (const PlacedSheet& sheet : sheets) {
    output::GroundBox g = sheet.Ground();
    if (info.sheets.empty()) info.map = g;
    info.map = {std::min(info.map.west, g.west), std::min(info.map.south, g.south),
                std::max(info.map.east, g.east), std::max(info.map.north, g.north)};
    info.sheets.push_back(g);
  }
  return info;
}

void WritePrintedSheet(const picture::Picture& sheet, const std::string& mesh_folder,
                       const std::string& mesh, const PrintOptions& options,
                       picture::FontLibrary& fonts, const ByteWriter& write) {
  PlacedSheet placed{mesh, {}};
  try {
    placed.place = mapdata::PlaceSheet(mesh_folder, mesh, std::nullopt);
  } catch (const base::ConversionError&) {
    placed.place = {};  // sheet-local metres
  }
  output::PrintInfo info = PrintInfoOf({placed}, options);
  output::PrintLayout layout =
      output::LayOutPrint(info.map, options.scale, options.paper, options.orientation);
  output::PrintedPdf pdf(layout, std::move(info), fonts, write);
  pdf.AddSheet(sheet, placed.Ground());
  pdf.Finish();
}

}  // namespace sheetwright::conversion
