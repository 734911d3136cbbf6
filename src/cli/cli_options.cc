#include "cli/cli_options.h"

#include <getopt.h>

#include <algorithm>
#include <charconv>
#include <string_view>

namespace sheetwright::cli {
namespace {

enum LongOnly {
  kKeepGoing = 1000,
  kVersion,
  kSheetOrigins,
  kInto,
  kPlace,
  kDatum,
  kScale,
  kPaper,
  kOrientation,
  kTitle,
  kMosaic
};

// Fills the drawing and the data formats of a comma-separated list; false with `error` set for
// an unknown name.
bool ParseFormats(std::string_view list, CliOptions& o, std::string& error) {
  o.formats.clear();
  o.data_formats.clear();
  while (true) {
    size_t comma = list.find(',');
    std::string_view name = list.substr(0, comma);
    if (auto data = gis::ParseDataFormat(name)) {
      if (std::find(o.data_formats.begin(), o.data_formats.end(), *data) == o.data_formats.end())
        o.data_formats.push_back(*data);
    } else if (auto format = conversion::ParseOutputFormat(name)) {
      if (std::find(o.formats.begin(), o.formats.end(), *format) == o.formats.end())
        o.formats.push_back(*format);
    } else {
      error = "unknown format '" + std::string(name) +
              "' (use wmf, svg, png, pdf, dxf, dxf2010 or gpkg)";
      return false;
    }
    if (comma == std::string_view::npos) return true;
    list.remove_prefix(comma + 1);
  }
}

// A whole number from 1 to `most`.
std::optional<int> ParseWhole(std::string_view text, int most) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > most) {
    return std::nullopt;
  }
  return value;
}

// Takes one option that getopt_long returned (`c`, its value in optarg); false with
// result.error set when it is wrong.
bool TakeOption(int c, char** argv, ParseResult& result, bool& format_given) {
  CliOptions& o = result.options;
  switch (c) {
    case 's':
      o.settings_path = optarg;
      return true;
    case 'f': {
      std::string error;
      if (!ParseFormats(optarg, o, error)) {
        result.error = error;
        return false;
      }
      format_given = true;
      return true;
    }
    case kSheetOrigins:
      o.sheet_origins = optarg;
      return true;
    case kInto:
      o.into = optarg;
      return true;
    case kPlace:
      o.place = true;
      return true;
    case kScale: {
      auto scale = ParseWhole(optarg, 10000);
      if (!scale || !output::IsPrintScale(*scale)) {
        result.error =
            "--scale needs 500, 1000, 2500, 5000 or 10000, not '" + std::string(optarg) + "'";
        return false;
      }
      o.print.scale = *scale;
      o.print_given = true;
      return true;
    }
    case kPaper:
      if (auto paper = output::ParsePaper(optarg)) {
        o.print.paper = *paper;
        return true;
      }
      result.error = "--paper needs A0, A1, A2, A3, A4 or auto, not '" + std::string(optarg) + "'";
      return false;
    case kOrientation:
      if (auto orientation = output::ParseOrientation(optarg)) {
        o.print.orientation = *orientation;
        return true;
      }
      result.error =
          "--orientation needs portrait, landscape or auto, not '" + std::string(optarg) + "'";
      return false;
    case kMosaic:
      o.mosaic = optarg;
      return true;
    case kTitle:
      o.print.title = optarg;
      return true;
    case kDatum:
      if (auto datum = mapdata::ParseDatum(optarg)) {
        o.datum = *datum;
        return true;
      }
      result.error = "--datum needs tokyo, jgd2000 or jgd2011, not '" + std::string(optarg) + "'";
      return false;
    case 'j': {
      auto jobs = ParseWhole(optarg, 1024);
      if (!jobs) {
        result.error =
            "--jobs needs a whole number from 1 to 1024, not '" + std::string(optarg) + "'";
        return false;
      }
      o.jobs = *jobs;
      return true;
    }
    case kKeepGoing:
      o.keep_going = true;
      return true;
    case 'q':
      o.quiet = true;
      return true;
    case 'h':
      o.help = true;
      return true;
    case kVersion:
      o.version = true;
      return true;
    case ':':
      result.error = "option '" + std::string(argv[optind - 1]) + "' needs a value";
      return false;
    default:
      result.error = "unknown option '" + std::string(argv[optind - 1]) + "'";
      return false;
  }
}

// The folders and mesh names after the options.
void TakeOperands(std::vector<std::string> operands, ParseResult& result) {
  CliOptions& o = result.options;
  if (operands.size() < 2) {
    result.error = operands.empty() ? "missing INPUT_DIR and OUTPUT_DIR" : "missing OUTPUT_DIR";
    return;
  }
  o.input_folder = operands[0];
  o.output_folder = operands[1];
  o.meshes.assign(operands.begin() + 2, operands.end());
  for (const std::string& mesh : o.meshes) {
    if (mesh.empty() || mesh == "." || mesh == ".." || mesh.find('/') != std::string::npos) {
      result.error = "'" + mesh + "' is not a mesh name (a sub-folder name of INPUT_DIR)";
      return;
    }
  }
}

}  // namespace

ParseResult ParseCommandLine(int argc, char** argv) {
  static const option kLongOptions[] = {
      {"settings", required_argument, nullptr, 's'},
      {"format", required_argument, nullptr, 'f'},
      {"jobs", required_argument, nullptr, 'j'},
      {"keep-going", no_argument, nullptr, kKeepGoing},
      {"sheet-origins", required_argument, nullptr, kSheetOrigins},
      {"into", required_argument, nullptr, kInto},
      {"place", no_argument, nullptr, kPlace},
      {"datum", required_argument, nullptr, kDatum},
      {"scale", required_argument, nullptr, kScale},
      {"paper", required_argument, nullptr, kPaper},
      {"orientation", required_argument, nullptr, kOrientation},
      {"title", required_argument, nullptr, kTitle},
      {"mosaic", required_argument, nullptr, kMosaic},
      {"quiet", no_argument, nullptr, 'q'},
      {"help", no_argument, nullptr, 'h'},
      {"version", no_argument, nullptr, kVersion},
      {nullptr, 0, nullptr, 0},
  };
  ParseResult result;
  CliOptions& o = result.options;
  optind = 1;
  opterr = 0;  // the messages are ours
  bool format_given = false;
  int c;
  while ((c = getopt_long(argc, argv, ":s:f:j:qh", kLongOptions, nullptr)) != -1) {
    if (!TakeOption(c, argv, result, format_given)) return result;
  }
  if (o.help || o.version) return result;
  // The --into file takes the data that -f gpkg would put beside each drawing; without -f it is
  // the only output.
  if (o.into) {
    o.data_formats.clear();
    if (!format_given) o.formats.clear();
  }
  o.print.datum = o.datum;
  if (o.mosaic) {
    if (auto refusal = conversion::MosaicRefusal(*o.mosaic)) {
      result.error = "--mosaic " + *o.mosaic + ": " + *refusal;
      return result;
    }
    if (!format_given) o.formats.clear();  // the mosaic alone
  }
  TakeOperands(std::vector<std::string>(argv + optind, argv + argc), result);
  return result;
}

std::string UsageText(const std::string& program, const std::string& settings_path) {
  return "Usage: " + program + R"( [options] INPUT_DIR OUTPUT_DIR [MESH...]

Converts map meshes (the sub-folders of INPUT_DIR) into drawings in OUTPUT_DIR, one file per
mesh and format: MESH.wmf (placeable metafile, 400 x 300 nominal size), MESH.svg and MESH.pdf
(800 x 600 pt), MESH.png (2000 x 1500 px), MESH.dxf (CAD drawing in map metres, release 12 in
Shift_JIS) and MESH_2010.dxf (release 2010 in UTF-8). Without MESH names every sub-folder of INPUT_DIR is
converted, in name order. OUTPUT_DIR is created when missing. An existing file is replaced only
once its new content is complete.

Options:
  -s, --settings FILE  layer styles; the default is the desktop program's file, here
                       )" +
         settings_path + R"(
                       (before that file exists, the installed example is read; without
                       either every layer is off, and a warning says so). A named file
                       that holds none of the settings' sections or keys is refused
  -f, --format LIST    comma-separated output formats: wmf (default), svg, png, pdf, dxf
                       (release 12, Shift_JIS), dxf2010 (MESH_2010.dxf, UTF-8), and gpkg:
                       the map data itself (not a drawing) as an OGC GeoPackage MESH.gpkg for
                       GIS, one layer per kind of record (see the README). GeoPackage is the
                       only data format: FlatGeobuf, GeoJSON and Shapefile hold one layer per
                       file and are not offered
      --into FILE.gpkg every mesh's data into this one GeoPackage (created when missing, else
                       appended to), one transaction per mesh, with a mesh column; without -f
                       nothing else is written
      --sheet-origins FILE  CSV "mesh,easting,northing[,epsg]": each mesh's data shifted to its
                       place and given that CRS (e.g. 6677), so that sheets lie side by side;
                       a mesh the file does not name fails. Without it the data keeps
                       sheet-local metres and no CRS
      --place          each mesh's data placed by what the sheet carries: the corners in
                       its data files' headers, else its MESH.TXT, else its sheet-code name
                       (07MD623), else its line of --sheet-origins; sources that disagree,
                       or none, fail the mesh
      --datum D        the datum of placed sheets: tokyo (default: the sheets were published
                       on it; EPSG 30160 + zone), jgd2000 (data converted with the survey
                       authority's tool; 2442 + zone) or jgd2011 (6668 + zone)
      --scale N        print MESH.pdf and MESH.svg at 1:N (500, 1000, 2500, 5000 or 10000):
                       the map at exactly that scale in a frame, with the title, a scale
                       bar, a north arrow, the datum and zone and an index of the sheets;
                       pens and labels keep their printed size. A map larger than the paper
                       is cut into pages in reading order that overlap by 10 mm (an SVG
                       of several pages is one file per page: MESH-1.svg, MESH-2.svg, ...)
      --paper P        A0, A1, A2, A3, A4 or auto (default: the smallest that holds the map)
      --orientation O  portrait, landscape or auto (default: fewer pages, else landscape)
      --mosaic FILE    every mesh placed (as --place) and drawn into this one map,
                       sheet by sheet, in the format of FILE's extension: .pdf and .svg
                       printed as --scale says (default 1:2500; SVG pages as above), .png
                       at 1 pixel per metre (a sheet's own PNG resolution), .dxf release 12
                       in map metres at the sheets' placed coordinates. A line along an edge
                       two sheets share, and a name both repeat there, is drawn once. All
                       sheets must lie in one zone. Without -f nothing else is written.
                       (.wmf is refused: its 16-bit frame cannot hold a town)
      --title TEXT     the printed title (default: the mesh name)
  -j, --jobs N         meshes converted at once (default: the number of cores)
      --keep-going     go on with the next mesh after a failure (default: stop)
  -q, --quiet          no progress, only warnings, messages about the data and errors
  -h, --help           show this help
      --version        show the version

Messages about bad records go to stderr as "MESH: message".
SIGINT, SIGTERM or SIGHUP stop the run: temporary files are removed, stored files kept, and
the count of stored meshes is shown; a second signal ends the process at once. A closed
stdout or stderr never stops a run.
Exit status: 0 every mesh stored; 1 a mesh failed; 2 bad usage, a missing input folder, mesh
or settings file, or a settings file that cannot be read or is none (nothing is then
converted); 128 + the signal's number after a stop signal (130, 143, 129).
)";
}

}  // namespace sheetwright::cli
