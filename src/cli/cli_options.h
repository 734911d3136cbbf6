// The command line of sheetwright-convert:
//   sheetwright-convert [options] INPUT_DIR OUTPUT_DIR [MESH...]
// Parsing only; main.cc acts on the result.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "conversion/mosaic.h"
#include "conversion/output_files.h"
#include "conversion/print_map.h"
#include "export/data_formats.h"
#include "mapdata/sheet_place.h"

namespace sheetwright::cli {

struct CliOptions {
  std::string input_folder;
  std::string output_folder;
  std::vector<std::string> meshes;           // empty: every mesh of the input folder
  std::optional<std::string> settings_path;  // nullopt: settings::DefaultSettingsPath()
  std::vector<conversion::OutputFormat> formats{conversion::OutputFormat::kWmf};
  std::vector<gis::DataFormat> data_formats;      // -f gpkg: MESH.gpkg beside the drawings
  std::optional<std::string> sheet_origins;       // --sheet-origins FILE
  std::optional<std::string> into;                // --into FILE.gpkg: all meshes' data in one file
  bool place = false;                             // --place: sheets placed by what they carry
  mapdata::Datum datum = mapdata::Datum::kTokyo;  // --datum
  conversion::PrintOptions print;                 // --scale, --paper, --orientation, --title
  bool print_given = false;                       // --scale
  std::optional<std::string> mosaic;              // --mosaic FILE
  int jobs = 0;                                   // 0: the number of cores
  bool keep_going = false;
  bool quiet = false;
  bool help = false;
  bool version = false;
};

struct ParseResult {
  CliOptions options;
  std::optional<std::string> error;  // a usage error, to be printed with a hint at --help
};

ParseResult ParseCommandLine(int argc, char** argv);

// The text of --help; `settings_path` is the default settings file.
std::string UsageText(const std::string& program, const std::string& settings_path);

}  // namespace sheetwright::cli
