// sheetwright: the desktop program. The settings file is "vellumist.ini" beside the executable.
#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include "settings/settings_file.h"
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
  sheetwright::ui::TFrmMain window(settings::DefaultSettingsPath(), settings::ProgramFolder());
  window.FormCreate();
  window.show();
  return QApplication::exec();
}
