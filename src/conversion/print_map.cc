#include "conversion/print_map.h"

#include <algorithm>

#include "base/messages.h"
#include "platform/folders.h"

namespace sheetwright::conversion {
namespace {

// The sheet placed where it carries its place, else in sheet-local metres.
PlacedSheet PlaceOne(const std::string& mesh_folder, const std::string& mesh) {
  PlacedSheet placed{mesh, {}};
  try {
    placed.place = mapdata::PlaceSheet(mesh_folder, mesh, std::nullopt);
  } catch (const base::ConversionError&) {
    placed.place = {};  // sheet-local metres
  }
  return placed;
}

}  // namespace

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
  PlacedSheet placed = PlaceOne(mesh_folder, mesh);
  output::PrintInfo info = PrintInfoOf({placed}, options);
  output::PrintLayout layout =
      output::LayOutPrint(info.map, options.scale, options.paper, options.orientation);
  output::PrintedPdf pdf(layout, std::move(info), fonts, write);
  pdf.AddSheet(sheet, placed.Ground());
  pdf.Finish();
}

std::vector<std::string> PageFileNames(const std::string& path, size_t pages) {
  if (pages == 1) return {path};
  std::string extension(platform::ExtensionOf(path));
  std::string stem = path.substr(0, path.size() - extension.size());
  std::vector<std::string> names;
  for (size_t i = 1; i <= pages; ++i) names.push_back(stem + '-' + std::to_string(i) + extension);
  return names;
}

SvgPageFiles::SvgPageFiles(const std::string& path, size_t pages, std::function<void()> step)
    : step_(std::move(step)) {
  if (pages > kMaxSvgPages) {
    throw base::ConversionError(
        "an SVG print of " + std::to_string(pages) + " pages is one file per page, more than " +
            std::to_string(kMaxSvgPages) + ": choose a larger paper or a smaller scale, or PDF",
        base::FailureKind::kUsage);
  }
  for (const std::string& name : PageFileNames(path, pages)) {
    files_.push_back(std::make_unique<base::AtomicFile>(name));
  }
}

void SvgPageFiles::Write(size_t page, std::string_view bytes) {
  if (step_) step_();
  files_.at(page)->Write(bytes);
}

std::vector<std::unique_ptr<base::AtomicFile>> SvgPageFiles::Close() {
  for (auto& file : files_) file->Close();
  return std::move(files_);
}

std::vector<std::unique_ptr<base::AtomicFile>> WritePrintedSvgSheet(
    const picture::Picture& sheet, const std::string& mesh_folder, const std::string& mesh,
    const PrintOptions& options, picture::FontLibrary& fonts, const std::string& path,
    std::function<void()> step) {
  PlacedSheet placed = PlaceOne(mesh_folder, mesh);
  output::PrintInfo info = PrintInfoOf({placed}, options);
  output::PrintLayout layout =
      output::LayOutPrint(info.map, options.scale, options.paper, options.orientation);
  SvgPageFiles files(path, layout.pages.size(), std::move(step));
  output::PrintedSvg svg(layout, std::move(info), fonts,
                         [&](size_t page, std::string_view bytes) { files.Write(page, bytes); });
  svg.AddSheet(sheet, placed.Ground());
  svg.Finish();
  return files.Close();
}

}  // namespace sheetwright::conversion
