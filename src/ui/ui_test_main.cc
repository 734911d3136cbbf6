// The GUI tests run in one application object, on Qt's offscreen platform unless told otherwise,
// with one screen of 1920 x 1080 at 96 dpi (the platform's own 800 x 800 screen is narrower than
// the main window, which would then shrink to fit it).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if (platform.isEmpty() || platform == "offscreen") {
    qputenv("QT_QPA_PLATFORM",
            "offscreen:configfile=" SHEETWRIGHT_SOURCE_DIR "/src/ui/testdata/offscreen_1080.json");
  }
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
