// sheetwright: the desktop program. The settings file is "vellumist.ini" beside the executable,
// or, for an installed program, the user's own (settings/settings_location.h).
#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include "settings/settings_file.h"
#include "settings/settings_location.h"
#include "ui/frm_main.h"
#include "ui/text.h"

int main(int argc, char** argv) {
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
  sheetwright::ui::TFrmMain window(settings_path, program_folder);
  window.FormCreate();
  window.show();
  return QApplication::exec();
}
