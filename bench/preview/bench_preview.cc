// How long the desktop program takes from a click on プレビュー実行 to the first drawing of a
// sheet in the preview: the mesh read and drawn on the conversion thread, then the view rendered
// and handed to the canvas. One generated mesh (32 MB by default) with the example settings, the
// real main window on Qt's offscreen platform, the median and spread of several clicks.
//   bench_preview [MB] [RUNS]
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "meshgen/meshgen.h"
#include "picture/font_library.h"
#include "settings/layer_styles.h"
#include "ui/conversion_job.h"
#include "ui/main_window.h"
#include "ui/mesh_list.h"
#include "ui/preview_canvas.h"
#include "ui/preview_window.h"

namespace fs = std::filesystem;
using namespace sheetwright;

namespace {

// The example settings with the folders of this run.
void WriteSettings(const std::string& path, const std::string& in, const std::string& out) {
  std::ifstream example(SHEETWRIGHT_SOURCE_DIR "/examples/vellumist.ini", std::ios::binary);
  std::ofstream ini(path, std::ios::binary);
  bool in_file_section = false;
  for (std::string line; std::getline(example, line);) {
    if (line.starts_with("[")) in_file_section = line.starts_with("[FILE]");
    if (!in_file_section) ini << line << "\n";
  }
  ini << "[FILE]\r\nINPUT=" << in << "\r\nOUTPUT=" << out << "\r\n";
}

// Runs the event loop, idle between events, until `done` says so; false after a minute.
template <class Done>
bool WaitFor(Done done) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > 60000) return false;
    QEventLoop loop;
    QTimer::singleShot(50, &loop, &QEventLoop::quit);
    loop.exec();  // a signal's event is delivered inside; `done` is asked again every 50 ms
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const double megabytes = argc > 1 ? std::atof(argv[1]) : 32;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qt_argc = 1;
  QApplication app(qt_argc, argv);

  std::string root = (fs::temp_directory_path() / "sheetwright-preview-XXXXXX").string();
  if (!mkdtemp(root.data())) return 1;
  meshgen::Options options;
  options.seed = 7;
  options.blocks = meshgen::BlocksForBytes(static_cast<uint64_t>(megabytes * 1e6), options);
  meshgen::GenerateMesh(root + "/in/533946", options);
  fs::create_directories(root + "/out");
  WriteSettings(root + "/vellumist.ini", root + "/in", root + "/out");
  std::printf("mesh of %d blocks, %.1f MB\n", options.blocks, meshgen::MeshBytes(options) / 1e6);

  std::vector<double> seconds;
  {
    settings::LayerStyleTable styles;
    picture::FontLibrary fonts;
    ui::MainWindow window(root + "/vellumist.ini", root + "/", styles, fonts);
    window.FormCreate();
    window.show();
    window.Meshes()->setCurrentRow(0);
    ui::PreviewWindow* preview = window.Preview();
    for (int run = 0; run < runs; ++run) {
      bool drawn = false;
      double converted_at = 0, drawn_at = 0;
      QElapsedTimer clock;
      auto connection = QObject::connect(preview->PaintBox(), &ui::PreviewCanvas::Rendered, [&] {
        drawn_at = clock.nsecsElapsed() * 1e-9;
        drawn = true;
      });
      auto converted = QObject::connect(window.Job(), &ui::ConversionJob::Converted,
                                        [&] { converted_at = clock.nsecsElapsed() * 1e-9; });
      clock.start();
      window.findChild<QPushButton*>("BtnPrev")->click();
      if (!WaitFor([&] { return drawn; })) {
        std::fprintf(stderr, "no drawing within a minute\n");
        return 1;
      }
      seconds.push_back(drawn_at);
      QObject::disconnect(connection);
      QObject::disconnect(converted);
      WaitFor([&] { return !window.Job()->IsRunning(); });
      preview->findChild<QPushButton*>("BtnClose")->click();
      std::printf("click %d: sheet converted after %.3f s, first drawing after %.3f s\n", run + 1,
                  converted_at, seconds.back());
    }
  }
  std::sort(seconds.begin(), seconds.end());
  std::printf("first drawing: median %.3f s, min %.3f s, max %.3f s (target <= 0.5 s)\n",
              seconds[seconds.size() / 2], seconds.front(), seconds.back());
  fs::remove_all(root);
  return 0;
}
