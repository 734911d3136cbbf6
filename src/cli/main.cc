// sheetwright-convert: the batch conversion without the desktop program. See cli_options.cc for
// the command line.
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

#include "cli/cli_options.h"
#include "cli/console_reporter.h"
#include "conversion/batch.h"
#include "conversion/heap_policy.h"
#include "conversion/mesh_folders.h"
#include "conversion/output_files.h"
#include "drawing/font_library.h"
#include "settings/layer_styles.h"
#include "settings/settings_file.h"

namespace {

namespace fs = std::filesystem;
using namespace sheetwright;

constexpr char kProgram[] = "sheetwright-convert";
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int Usage(const std::string& message) {
  std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", kProgram, message.c_str(),
               kProgram);
  return kExitUsage;
}

bool IsDirectory(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

bool AnyLayerOn(const settings::StyleSource& styles) {
  const auto& defs = settings::LayerDefs();
  return std::any_of(defs.begin(), defs.end(),
                     [&](const settings::LayerDef& def) { return styles.Style(def.key).enabled; });
}

int Run(int argc, char** argv) {
  cli::ParseResult parsed = cli::ParseCommandLine(argc, argv);
  if (parsed.error) return Usage(*parsed.error);
  const cli::CliOptions& options = parsed.options;
  if (options.help) {
    std::fputs(cli::UsageText(kProgram).c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("%s %s\n", kProgram, SHEETWRIGHT_VERSION);
    return 0;
  }

  if (!IsDirectory(options.input_folder)) {
    return Usage("input folder '" + options.input_folder + "' does not exist");
  }

  // Styles. Only the default file may be missing (every layer is then off): a file named on the
  // command line that is not there is a mistake worth stopping for. A file that is there but
  // cannot be read stops the run before anything is converted, whichever it is: read as empty, it
  // would replace good drawings with blank ones.
  settings::LayerStyleTable styles;
  std::string settings_path = options.settings_path.value_or(settings::DefaultSettingsPath());
  std::error_code status_error;
  bool settings_missing =
      fs::status(settings_path, status_error).type() == fs::file_type::not_found;
  if (settings_missing && options.settings_path) {
    return Usage("settings file '" + settings_path + "' does not exist");
  }
  settings::StartupSettings startup;
  try {
    startup = settings::LoadSettings(settings_path, settings::ProgramFolder(), styles);
  } catch (const settings::SettingsReadError& e) {
    std::fprintf(stderr, "%s: %s\n", kProgram, e.what());
    return kExitUsage;
  }
  if (startup.error) {
    // As the desktop program does: what was read before the bad value stays, the label fonts from
    // the bad one on keep their defaults, and the conversion goes on.
    std::fprintf(stderr, "%s: %s: %s (the label fonts from this one on keep their defaults)\n",
                 kProgram, settings_path.c_str(), startup.error->c_str());
  }

  std::vector<std::string> meshes = options.meshes;
  if (meshes.empty()) {
    std::error_code list_error;
    meshes = conversion::ListMeshes(options.input_folder, &list_error);
    if (list_error) {
      return Usage("cannot read the input folder '" + options.input_folder +
                   "': " + list_error.message());
    }
  } else {
    for (const std::string& mesh : meshes) {
      if (!IsDirectory(conversion::JoinFolder(options.input_folder, mesh))) {
        return Usage("mesh '" + mesh + "' is not a folder in '" + options.input_folder + "'");
      }
    }
  }

  std::error_code ec;
  fs::create_directories(options.output_folder, ec);
  if (ec || !IsDirectory(options.output_folder)) {
    std::fprintf(stderr, "%s: cannot create the output folder '%s': %s\n", kProgram,
                 options.output_folder.c_str(), ec ? ec.message().c_str() : "not a folder");
    return kExitFailed;
  }

  // Blank drawings are never what a user wants: say why they will be blank, also with --quiet,
  // which only silences the progress.
  if (settings_missing) {
    std::fprintf(stderr,
                 "%s: no settings file at %s: every layer is off (use -s FILE, e.g. "
                 "examples/vellumist.ini)\n",
                 kProgram, settings_path.c_str());
  } else if (!AnyLayerOn(styles)) {
    std::fprintf(stderr, "%s: the settings file %s turns every layer off\n", kProgram,
                 settings_path.c_str());
  }

  conversion::BatchRequest request;
  request.input_folder = options.input_folder;
  request.output_folder = options.output_folder;
  request.meshes = meshes;
  request.formats = options.formats;
  request.keep_going = options.keep_going;
  request.jobs =
      options.jobs > 0 ? options.jobs : static_cast<int>(std::thread::hardware_concurrency());

  drawing::FontLibrary fonts;
  cli::ConsoleReporter reporter(stderr, static_cast<int>(meshes.size()), options.quiet,
                                isatty(STDERR_FILENO) == 1);
  conversion::BatchResult result = conversion::RunBatch(request, styles, fonts, reporter);
  reporter.Finish(result, options.output_folder);
  return result.finished && result.failed == 0 ? 0 : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
  // A file-size limit then makes a write fail with EFBIG, reported like any failed store, instead
  // of killing the process halfway through a file.
  std::signal(SIGXFSZ, SIG_IGN);
  conversion::KeepFreedMemoryForReuse();
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", kProgram, e.what());
    return kExitFailed;
  }
}
