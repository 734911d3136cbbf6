// sheetwright-convert: the batch conversion without the desktop program. See cli_options.cc for
// the command line.
#include <cstdio>
#include <exception>
#include <string>
#include <system_error>
#include <thread>

#include "cli/cli_options.h"
#include "cli/console_reporter.h"
#include "conversion/batch.h"
#include "conversion/heap_policy.h"
#include "conversion/mesh_folders.h"
#include "conversion/output_files.h"
#include "picture/font_library.h"
#include "platform/folders.h"
#include "platform/program.h"
#include "platform/stop.h"
#include "platform/text.h"
#include "settings/layer_styles.h"
#include "settings/settings_file.h"
#include "settings/settings_location.h"

namespace {

using namespace sheetwright;

constexpr char kProgram[] = "sheetwright-convert";

// The exit statuses, as --help lists them.
enum ExitStatus : int {
  kExitOk = 0,      // every mesh stored; also --help and --version
  kExitFailed = 1,  // a mesh failed, the output folder could not be made, an unexpected error
  kExitUsage = 2,   // bad usage, a missing input folder, mesh or named settings file, or a
                    // settings file that cannot be read or is none
  // A stop signal: 128 + its number (130 SIGINT, 143 SIGTERM, 129 SIGHUP), as a shell reports a
  // process the signal ended.
  kExitSignalBase = 128,
};

// Thrown by a step that cannot go on, after it has said why; Run's caller exits with `status`.
struct Stop {
  ExitStatus status;
};

[[noreturn]] void StopWithUsage(const std::string& message) {
  std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", kProgram, message.c_str(),
               kProgram);
  throw Stop{kExitUsage};
}

bool IsDirectory(const std::string& path) {
  return platform::KindOf(path) == platform::EntryKind::kFolder;
}

// The layer styles and where they came from. Filled in place: the table is not movable.
struct Styles {
  settings::LayerStyleTable table;
  std::string path;
  bool missing = false;  // no file at `path`: every layer is off
};

// The default settings file: the one the desktop program uses (settings_location.h). Before the
// per-user file exists, the file it would be filled from is read, and the user is told which.
std::string DefaultSettings() {
  std::string exe_dir = settings::ProgramFolder();
  std::string path = settings::SettingsFilePath(exe_dir);
  if (platform::KindOf(path) != platform::EntryKind::kNone) return path;
  std::string seed = settings::SeedSettingsPath(exe_dir);
  if (seed.empty()) return path;
  std::fprintf(stderr, "%s: no settings file at %s yet: reading %s\n", kProgram, path.c_str(),
               seed.c_str());
  return seed;
}

// Only the default settings file may be missing (every layer is then off): a file named on the
// command line that is not there is a mistake worth stopping for, and so is a named file that
// holds none of our sections or keys (a drawing, say). A file that is there but cannot be read
// stops the run before anything is converted, whichever it is: read as empty, it would replace
// good drawings with blank ones.
void LoadStyles(const cli::CliOptions& options, Styles& styles) {
  styles.path = options.settings_path ? *options.settings_path : DefaultSettings();
  std::error_code status_error;
  styles.missing =
      platform::KindOf(styles.path, &status_error) == platform::EntryKind::kNone && !status_error;
  if (styles.missing && options.settings_path) {
    StopWithUsage("settings file '" + styles.path + "' does not exist");
  }
  settings::StartupSettings startup;
  try {
    startup = settings::LoadSettings(styles.path, settings::ProgramFolder(), styles.table);
  } catch (const settings::SettingsReadError& e) {
    std::fprintf(stderr, "%s: %s\n", kProgram, e.what());
    throw Stop{kExitUsage};
  }
  if (!startup.recognised && options.settings_path) {
    StopWithUsage("'" + styles.path +
                  "' is no settings file: no line of it is a section or key of " +
                  std::string(settings::kSettingsFileName));
  }
  if (startup.error) {
    // As the desktop program does: that colour keeps its default, everything else was read.
    std::fprintf(stderr, "%s: %s (that colour keeps its default)\n", kProgram,
                 startup.error->c_str());
  }
}

// The meshes named on the command line, each of which must be a folder of the input folder;
// without names, every mesh the input folder holds.
std::vector<std::string> ResolveMeshes(const cli::CliOptions& options) {
  if (options.meshes.empty()) {
    std::error_code list_error;
    std::vector<std::string> meshes = conversion::ListMeshes(options.input_folder, &list_error);
    if (list_error) {
      StopWithUsage("cannot read the input folder '" + options.input_folder +
                    "': " + list_error.message());
    }
    return meshes;
  }
  for (const std::string& mesh : options.meshes) {
    if (!IsDirectory(conversion::JoinFolder(options.input_folder, mesh))) {
      StopWithUsage("mesh '" + mesh + "' is not a folder in '" + options.input_folder + "'");
    }
  }
  return options.meshes;
}

void MakeOutputFolder(const std::string& folder) {
  std::error_code ec = platform::MakeFolders(folder);
  if (ec || !IsDirectory(folder)) {
    std::fprintf(stderr, "%s: cannot create the output folder '%s': %s\n", kProgram, folder.c_str(),
                 ec ? ec.message().c_str() : "not a folder");
    throw Stop{kExitFailed};
  }
}

// Blank drawings are never what a user wants: say why they will be blank, also with --quiet,
// which only silences the progress.
void WarnOfBlankDrawings(const Styles& styles) {
  if (styles.missing) {
    std::fprintf(stderr,
                 "%s: no settings file at %s: every layer is off (use -s FILE, e.g. "
                 "examples/vellumist.ini)\n",
                 kProgram, styles.path.c_str());
  } else if (!settings::AnyLayerOn(styles.table)) {
    std::fprintf(stderr, "%s: the settings file %s turns every layer off\n", kProgram,
                 styles.path.c_str());
  }
}

// The sheet placements named by --sheet-origins; null without it. A bad file stops with usage.
std::shared_ptr<const gis::SheetOrigins> ReadOrigins(const cli::CliOptions& options) {
  if (!options.sheet_origins) return nullptr;
  try {
    return std::make_shared<gis::SheetOrigins>(gis::SheetOrigins::Read(*options.sheet_origins));
  } catch (const base::ConversionError& e) {
    StopWithUsage(std::string("--sheet-origins: ") + e.what());
  }
}

// Messages about bad records of the mosaic's sheets, one line each.
class StderrSink : public base::MessageSink {
 public:
  void Show(const std::string& utf8_text) override {
    std::fprintf(stderr, "%s\n", utf8_text.c_str());
  }
};

conversion::BatchResult RunConversion(const cli::CliOptions& options, const Styles& styles,
                                      const std::vector<std::string>& meshes,
                                      std::shared_ptr<const gis::SheetOrigins> origins,
                                      cli::ConsoleReporter& reporter) {
  conversion::BatchRequest request;
  request.input_folder = options.input_folder;
  request.output_folder = options.output_folder;
  request.meshes = meshes;
  request.formats = options.formats;
  request.gis.formats = options.data_formats;
  request.gis.into = options.into.value_or("");
  request.gis.origins = origins;
  request.gis.origins_name = options.sheet_origins.value_or("");
  request.gis.place = options.place;
  if (options.print_given) request.print = options.print;
  request.gis.datum = options.datum;
  request.keep_going = options.keep_going;
  request.stop_requested = [] { return platform::StopRequest() != 0; };
  request.jobs =
      options.jobs > 0 ? options.jobs : static_cast<int>(std::thread::hardware_concurrency());
  picture::FontLibrary fonts;
  return conversion::RunBatch(request, styles.table, fonts, reporter);
}

// Where the summary says the meshes went: the output folder, the --into GeoPackage, or both.
std::string StoredWhere(const cli::CliOptions& options) {
  if (!options.into) return options.output_folder;
  if (options.formats.empty() && options.data_formats.empty()) return *options.into;
  return options.output_folder + " and " + *options.into;
}

// The mosaic after the batch: the exit status, kExitFailed after saying why it failed, that of the
// stop signal when one stopped it (its file then removed unfinished).
int RunMosaic(const cli::CliOptions& options, const Styles& styles,
              const std::vector<std::string>& meshes,
              std::shared_ptr<const gis::SheetOrigins> origins) {
  conversion::MosaicRequest request;
  request.path = *options.mosaic;
  request.input_folder = options.input_folder;
  request.meshes = meshes;
  request.print = options.print;
  request.origins = std::move(origins);
  request.stop_requested = [] { return platform::StopRequest() != 0; };
  picture::FontLibrary fonts;
  StderrSink sink;
  try {
    conversion::WriteMosaic(request, styles.table, fonts, sink);
  } catch (const base::ConversionCancelled&) {
    std::fprintf(stderr, "%s: stopped; %s not written\n", kProgram, options.mosaic->c_str());
    return kExitSignalBase + platform::StopRequest();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s: %s\n", kProgram, options.mosaic->c_str(), e.what());
    return kExitFailed;
  }
  if (!options.quiet) std::fprintf(stderr, "%s: stored %s\n", kProgram, options.mosaic->c_str());
  return kExitOk;
}

int Run(int argc, char** argv) {
  cli::ParseResult parsed = cli::ParseCommandLine(argc, argv);
  if (parsed.error) StopWithUsage(*parsed.error);
  const cli::CliOptions& options = parsed.options;
  if (options.help) {
    std::fputs(cli::UsageText(kProgram, settings::DefaultSettingsPath()).c_str(), stdout);
    return kExitOk;
  }
  if (options.version) {
    std::printf("%s %s\n", kProgram, SHEETWRIGHT_VERSION);
    return kExitOk;
  }
  if (!IsDirectory(options.input_folder)) {
    StopWithUsage("input folder '" + options.input_folder + "' does not exist");
  }

  std::shared_ptr<const gis::SheetOrigins> origins = ReadOrigins(options);
  Styles styles;
  LoadStyles(options, styles);
  std::vector<std::string> meshes = ResolveMeshes(options);
  MakeOutputFolder(options.output_folder);
  if (!options.formats.empty()) WarnOfBlankDrawings(styles);

  cli::ConsoleReporter reporter(stderr, static_cast<int>(meshes.size()), options.quiet,
                                platform::IsTerminal(stderr));
  bool mosaic_only =
      options.mosaic && options.formats.empty() && options.data_formats.empty() && !options.into;
  if (mosaic_only) return RunMosaic(options, styles, meshes, origins);
  conversion::BatchResult result;
  try {
    result = RunConversion(options, styles, meshes, origins, reporter);
  } catch (const base::ConversionCancelled&) {
    // Only a stop signal cancels; the batch has removed its temporary files.
    reporter.Stopped(platform::StopRequest(), StoredWhere(options));
    return kExitSignalBase + platform::StopRequest();
  }
  reporter.Finish(result, StoredWhere(options));
  bool ok = result.finished && result.failed == 0;
  if (options.mosaic && ok) return RunMosaic(options, styles, meshes, origins);
  return ok ? kExitOk : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
  platform::InstallStopHandlers();
  // Every job keeps the file it writes open, and the font files are open too: many jobs need more
  // than the usual soft limit of 1024 handles, which the hard limit allows.
  platform::RaiseFileLimits();
  conversion::KeepFreedMemoryForReuse();
  try {
    std::vector<std::string> arguments = platform::ProgramArguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    return Run(argc, pointers.data());
  } catch (const Stop& stop) {
    return stop.status;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", kProgram, e.what());
    return kExitFailed;
  }
}
