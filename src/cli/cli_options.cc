#include "cli/cli_options.h"

#include <getopt.h>

#include <charconv>
#include <string_view>

namespace sheetwright::cli {
namespace {

enum LongOnly { kKeepGoing = 1000, kVersion };

std::optional<std::vector<conversion::OutputFormat>> ParseFormats(std::string_view list,
                                                                  std::string& error) {
  std::vector<conversion::OutputFormat> formats;
  while (true) {
    size_t comma = list.find(',');
    std::string_view name = list.substr(0, comma);
    auto format = conversion::ParseOutputFormat(name);
    if (!format) {
      error = "unknown format '" + std::string(name) + "' (use wmf, svg, png, pdf, dxf or dxf2010)";
      return std::nullopt;
    }
    bool repeated = false;
    for (auto f : formats) repeated = repeated || f == *format;
    if (!repeated) formats.push_back(*format);
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return formats;
}

std::optional<int> ParseJobs(std::string_view text) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > 1024) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

ParseResult ParseCommandLine(int argc, char** argv) {
  static const option kLongOptions[] = {
      {"settings", required_argument, nullptr, 's'},
      {"format", required_argument, nullptr, 'f'},
      {"jobs", required_argument, nullptr, 'j'},
      {"keep-going", no_argument, nullptr, kKeepGoing},
      {"quiet", no_argument, nullptr, 'q'},
      {"help", no_argument, nullptr, 'h'},
      {"version", no_argument, nullptr, kVersion},
      {nullptr, 0, nullptr, 0},
  };
  ParseResult result;
  CliOptions& o = result.options;
  optind = 1;
  opterr = 0;  // the messages are ours
  int c;
  while ((c = getopt_long(argc, argv, ":s:f:j:qh", kLongOptions, nullptr)) != -1) {
    switch (c) {
      case 's':
        o.settings_path = optarg;
        break;
      case 'f': {
        std::string error;
        auto formats = ParseFormats(optarg, error);
        if (!formats) {
          result.error = error;
          return result;
        }
        o.formats = *formats;
        break;
      }
      case 'j': {
        auto jobs = ParseJobs(optarg);
        if (!jobs) {
          result.error =
              "--jobs needs a whole number from 1 to 1024, not '" + std::string(optarg) + "'";
          return result;
        }
        o.jobs = *jobs;
        break;
      }
      case kKeepGoing:
        o.keep_going = true;
        break;
      case 'q':
        o.quiet = true;
        break;
      case 'h':
        o.help = true;
        break;
      case kVersion:
        o.version = true;
        break;
      case ':':
        result.error = "option '" + std::string(argv[optind - 1]) + "' needs a value";
        return result;
      default:
        result.error = "unknown option '" + std::string(argv[optind - 1]) + "'";
        return result;
    }
  }
  if (o.help || o.version) return result;
  std::vector<std::string> operands(argv + optind, argv + argc);
  if (operands.size() < 2) {
    result.error = operands.empty() ? "missing INPUT_DIR and OUTPUT_DIR" : "missing OUTPUT_DIR";
    return result;
  }
  o.input_folder = operands[0];
  o.output_folder = operands[1];
  o.meshes.assign(operands.begin() + 2, operands.end());
  for (const std::string& mesh : o.meshes) {
    if (mesh.empty() || mesh == "." || mesh == ".." || mesh.find('/') != std::string::npos) {
      result.error = "'" + mesh + "' is not a mesh name (a sub-folder name of INPUT_DIR)";
      return result;
    }
  }
  return result;
}

std::string UsageText(const std::string& program) {
  return "Usage: " + program + R"( [options] INPUT_DIR OUTPUT_DIR [MESH...]

Converts map meshes (the sub-folders of INPUT_DIR) into drawings in OUTPUT_DIR, one file per
mesh and format: MESH.wmf (placeable metafile, 400 x 300 nominal size), MESH.svg and MESH.pdf
(800 x 600 pt), MESH.png (2000 x 1500 px), MESH.dxf (CAD drawing in map metres, release 12 in
Shift_JIS) and MESH_2010.dxf (release 2010 in UTF-8). Without MESH names every sub-folder of INPUT_DIR is
converted, in name order. OUTPUT_DIR is created when missing. An existing file is replaced only
once its new content is complete.

Options:
  -s, --settings FILE  layer styles (default: vellumist.ini beside this program; when that file
                       is missing every layer is off, and a warning says so)
  -f, --format LIST    comma-separated output formats: wmf (default), svg, png, pdf, dxf,
                       dxf2010
  -j, --jobs N         meshes converted at once (default: the number of cores)
      --keep-going     go on with the next mesh after a failure (default: stop)
  -q, --quiet          no progress, only warnings, messages about the data and errors
  -h, --help           show this help
      --version        show the version

Messages about bad records go to stderr as "MESH: message".
Exit status: 0 every mesh stored; 1 a mesh failed; 2 bad usage, a missing input folder, mesh
or settings file, or a settings file that cannot be read (nothing is then converted).
)";
}

}  // namespace sheetwright::cli
