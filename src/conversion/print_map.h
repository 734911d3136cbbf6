// Maps printed at a true scale (--scale): the options, the place of each sheet on the ground, and
// the printed PDF or SVG of one sheet. The pages themselves are output::PrintedPdf's and
// output::PrintedSvg's.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "conversion/output_files.h"
#include "mapdata/sheet_place.h"
#include "output/geometry/print_layout.h"
#include "output/pdf/printed_pdf.h"
#include "output/svg/printed_svg.h"

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

// The files of a printed SVG's pages, one document each: `path` itself when one page holds the
// map, else "-1", "-2", ... before its extension, in reading order (the page numbers the pages
// name themselves by). Each is written beside the file it replaces and waits for Commit.
// Every page's file stays open until the last sheet is drawn: a print of more pages than this
// (a town at 1:500 on A4) is refused.
inline constexpr size_t kMaxSvgPages = 1000;

class SvgPageFiles {
 public:
  // `step` is called before every chunk (it may throw to stop). Throws ConversionError for more
  // than kMaxSvgPages pages.
  SvgPageFiles(const std::string& path, size_t pages, std::function<void()> step = {});
  void Write(size_t page, std::string_view bytes);
  // Closes the files, which then wait for Commit.
  std::vector<std::unique_ptr<base::AtomicFile>> Close();

 private:
  std::vector<std::unique_ptr<base::AtomicFile>> files_;
  std::function<void()> step_;
};

// The names SvgPageFiles gives a print of `pages` pages stored as `path`.
std::vector<std::string> PageFileNames(const std::string& path, size_t pages);

// One sheet printed as SVG, placed as WritePrintedSheet places it, into the files of its pages.
std::vector<std::unique_ptr<base::AtomicFile>> WritePrintedSvgSheet(
    const picture::Picture& sheet, const std::string& mesh_folder, const std::string& mesh,
    const PrintOptions& options, picture::FontLibrary& fonts, const std::string& path,
    std::function<void()> step);

}  // namespace sheetwright::conversion
