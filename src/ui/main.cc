// sheetwright: the desktop program. The settings file is "vellumist.ini" beside the executable,
// or, for an installed program, the user's own (settings/settings_location.h).
#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>
#include <cstring>

#include "picture/font_library.h"
#include "platform/program.h"
#include "platform/stop.h"
#include "settings/layer_styles.h"
#include "settings/settings_file.h"
#include "settings/settings_location.h"
#include "ui/folder_bytes.h"
#include "ui/main_window.h"
#include "ui/signal_pipe.h"
#include "ui/text.h"

namespace {

constexpr const char* kHelp =
    "Usage: sheetwright [--help | --version]\n"
    "The desktop program of Sheetwright: converts map sheets (meshes) into WMF drawings.\n"
    "It needs a display (X11 or Wayland). Without one, run it under xvfb-run, or convert\n"
    "from the command line with sheetwright-convert (see sheetwright-convert --help).\n";

// What can be answered without a window: the help, the version, and that there is no display.
// Returns the exit status, or -1 to go on.
int AnswerWithoutWindow(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("sheetwright %s\n", SHEETWRIGHT_VERSION);
      return 0;
    }
  }
  if (!sheetwright::platform::HasDisplay()) {
    std::fputs(
        "sheetwright: no display (DISPLAY is not set): start it on a desktop, under "
        "xvfb-run, or use sheetwright-convert for batches\n",
        stderr);
    return 1;
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  // First of all: a stop that comes while the program starts is kept for the window to act on.
  sheetwright::platform::InstallStopHandlers();
  if (int status = AnswerWithoutWindow(argc, argv); status >= 0) return status;
  QApplication app(argc, argv);
  QApplication::setApplicationName("Sheetwright");
  QApplication::setDesktopFileName("sheetwright");
  QApplication::setWindowIcon(QIcon(":/sheetwright-256.png"));
  QApplication::setFont(sheetwright::ui::ReferenceFont("ＭＳ Ｐゴシック", 12));

  // The window is Japanese whatever the locale: so are the standard buttons of its dialogs.
  QTranslator qt_texts;
  if (qt_texts.load("qtbase_ja", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qt_texts);
  }

  namespace settings = sheetwright::settings;
  const std::string program_folder = settings::ProgramFolder();
  const std::string settings_path = settings::SettingsFilePath(program_folder);
  settings::SeedUserSettings(settings_path, program_folder);
  // Declared before the window, so they outlive its conversion threads.
  settings::LayerStyleTable styles;
  sheetwright::picture::FontLibrary fonts;
  // Folder fields with nothing stored start in the user's home folder, never the program's.
  const std::string home = sheetwright::ui::PathBytes(QDir::homePath() + "/");
  sheetwright::ui::MainWindow window(settings_path, home, styles, fonts);
  sheetwright::ui::SignalPipe ending_signals;
  QObject::connect(&ending_signals, &sheetwright::ui::SignalPipe::Received, &window,
                   &sheetwright::ui::MainWindow::EndBySignal);
  QObject::connect(&window, &sheetwright::ui::MainWindow::Ended, &app, &QApplication::exit,
                   Qt::QueuedConnection);
  window.FormCreate();
  window.show();
  return QApplication::exec();
}
