// One map of all the ticked meshes, chosen in the formats dialog and drawn after a batch: the
// choice kept in the settings file, the map file as a PDF reader reads it, its stop and failure.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>

#include "base/common_test_util.h"
#include "conversion/mesh_test_util.h"
#include "platform/files.h"
#include "ui/format_dialog.h"
#include "ui/main_window.h"
#include "ui/map_overview.h"
#include "ui/mesh_list.h"
#include "ui/preview_canvas.h"
#include "ui/preview_window.h"
#include "ui/ui_test_util.h"

namespace sheetwright::ui {
namespace {

namespace fs = std::filesystem;
using conversion::test_util::PolygonFile;
using conversion::test_util::TestMesh;
using output::Orientation;
using output::Paper;
using sheetwright::test_util::TempFolder;
using test_util::ModalScript;
using test_util::Press;
using test_util::ReadAndClose;

TEST(MapChoiceTest, TheSettingsTextReadsBackAndABadFieldKeepsItsDefault) {
  struct Case {
    std::string text;
    MapChoice choice;
  };
  const Case cases[] = {
      {"", {}},
      {"ON,5000,A3,landscape,town.pdf",
       {true, "town.pdf", 5000, Paper::kA3, Orientation::kLandscape}},
      {",10000,auto,portrait,a,b.pdf",
       {false, "a,b.pdf", 10000, Paper::kAuto, Orientation::kPortrait}},
      // A scale the print does not take, a paper and an orientation it does not know.
      {"ON,3000,B4,sideways,map.pdf", {true, "map.pdf", 2500, Paper::kAuto, Orientation::kAuto}},
      {"on,500,a0,auto,x.pdf", {false, "x.pdf", 500, Paper::kA0, Orientation::kAuto}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseMapChoice(c.text), c.choice) << c.text;
    EXPECT_EQ(ParseMapChoice(MapChoiceText(c.choice)), c.choice) << c.text;
  }
}

TEST(MapOverviewTest, SheetsLieSideBySideInOneFrame) {
  // Two sheets side by side, each a line along its west edge: the overview halves them and centres
  // the pair, the west sheet's line at x 0, the east sheet's at x 10000.
  auto sheet = std::make_shared<picture::Picture>();
  sheet->points = {{0, 0}, {0, 15000}};
  sheet->records = {picture::PenRec{picture::PenStyle::kSolid, 8, 0}, picture::PolylineRec{0, 2}};
  picture::Picture overview = MapOverview(
      {{sheet, {-32000, -81000, -30000, -79500}}, {sheet, {-30000, -81000, -28000, -79500}}});
  EXPECT_EQ(overview.points,
            (std::vector<picture::Point>{{0, 3750}, {0, 11250}, {10000, 3750}, {10000, 11250}}));
  ASSERT_EQ(overview.records.size(), 4u);
  EXPECT_EQ(std::get<picture::PenRec>(overview.records[2]).width, 4);
  EXPECT_EQ(std::get<picture::PolylineRec>(overview.records[3]).first, 2u);

  // Kept reduced while the batch runs, the sheets give the same overview.
  auto reduced = std::make_shared<picture::Picture>(Reduced(*sheet, 0.5));
  picture::Picture again = MapOverview({{reduced, {-32000, -81000, -30000, -79500}, 0.5},
                                        {reduced, {-30000, -81000, -28000, -79500}, 0.5}});
  EXPECT_EQ(again.points, overview.points);
  EXPECT_EQ(std::get<picture::PenRec>(again.records[2]).width, 4);
}

TEST(MapOverviewTest, AReductionLeavesOutPointsThatFallTogether) {
  picture::Picture sheet;
  sheet.points = {{0, 0}, {1, 1}, {0, 15000}, {8, 8}};
  sheet.records = {picture::PolylineRec{0, 3}, picture::PolygonRec{1, 3}};
  picture::Picture reduced = Reduced(sheet, 0.25);
  EXPECT_EQ(reduced.points,
            (std::vector<picture::Point>{{0, 0}, {0, 3750}, {0, 0}, {0, 3750}, {2, 2}}));
  EXPECT_EQ(std::get<picture::PolylineRec>(reduced.records[0]).count, 2u);
  EXPECT_EQ(std::get<picture::PolygonRec>(reduced.records[1]).first, 2u);
  // However the sheets lie, the overview never shows them larger than the reduction kept.
  for (auto [sheets, factor] : {std::pair{1, 1.0}, {2, 0.5}, {4, 0.5}, {5, 1 / 3.0}, {100, 0.1}}) {
    EXPECT_DOUBLE_EQ(PreReduction(sheets), factor) << sheets;
  }
}

class MapTest : public ::testing::Test {
 protected:
  MapTest() {
    fs::create_directories(out_);
    // Two neighbours (south-west and south-east quarter of one block) and the sheet north of the
    // first, which stays unticked.
    for (const char* name : {"07MD613", "07MD623", "07MD624"}) TestMesh().Write(in_ + "/" + name);
    temp_.Write("vellumist.ini", "[FILE]\r\nINPUT=" + in_ + "\r\nOUTPUT=" + out_ + "\r\n");
    window_ = std::make_unique<test_util::OwningWindow>(ini_, temp_.path() + "/");
    window_->FormCreate();
    for (const auto& def : settings::LayerDefs()) window_->Styles().SetEnabled(def.key, true);
    window_->show();
  }

  void Click(const char* button) { window_->findChild<QPushButton*>(button)->click(); }
  void Tick(int row) { window_->Meshes()->item(row)->setCheckState(Qt::Checked); }
  bool WaitIdle() {
    return QTest::qWaitFor([&] { return !window_->Job()->IsRunning(); }, 20000);
  }
  // The map chosen in the dialog: one map at 1:5000 on A4 across.
  void ChooseMap(const QString& file) {
    ModalScript script;
    script.Then("FormatDialog", [&](QWidget* modal) {
      auto* dialog = static_cast<FormatDialog*>(modal);
      dialog->MapBox()->setChecked(true);
      auto select = [&](const char* name, const QString& text) {
        auto* box = dialog->findChild<QComboBox*>(name);
        box->setCurrentIndex(box->findText(text));
      };
      select("CmbMapScale", "1:5000");
      select("CmbMapPaper", "A4");
      select("CmbMapOrientation", "横");
      dialog->findChild<QLineEdit*>("EdMapFile")->setText(file);
      Press(modal, QDialogButtonBox::Ok);
    });
    Click("BtnFormat");
    ASSERT_TRUE(QTest::qWaitFor([&] { return script.Done(); }, 20000));
  }

  TempFolder temp_;
  std::string in_ = temp_.Path("in"), out_ = temp_.Path("out"), ini_ = temp_.Path("vellumist.ini");
  std::unique_ptr<test_util::OwningWindow> window_;
};

// What the dialog offers and refuses, and the choice kept for the next start.
TEST_F(MapTest, TheChoiceIsKeptAndAFileTheMapCannotTakeIsRefused) {
  EXPECT_FALSE(window_->Map().wanted);
  ModalScript script;
  script.Then("FormatDialog", [](QWidget* modal) {
    auto* dialog = static_cast<FormatDialog*>(modal);
    QPushButton* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    // The formats offered are those the map writer takes.
    auto* formats = dialog->findChild<QComboBox*>("CmbMapFormat");
    for (const char* format : {"pdf", "svg", "png"}) {
      bool taken = !conversion::MosaicRefusal(std::string("x.") + format);
      EXPECT_EQ(formats->findData(QString(format)) >= 0, taken) << format;
    }
    EXPECT_EQ(dialog->findChild<QLineEdit*>("EdMapFile")->text(), "map.pdf");
    dialog->MapBox()->setChecked(true);
    auto* file = dialog->findChild<QLineEdit*>("EdMapFile");
    for (const char* refused : {"town.wmf", "", "sub/town.pdf"}) {
      file->setText(refused);
      EXPECT_FALSE(ok->isEnabled()) << refused;
      EXPECT_FALSE(dialog->findChild<QLabel*>("LblMapProblem")->text().isEmpty()) << refused;
    }
    file->setText("town");
    EXPECT_FALSE(ok->isEnabled());
    formats->setCurrentIndex(-1);
    formats->setCurrentIndex(0);  // the format gives the name its extension
    EXPECT_EQ(file->text(), "town." + formats->currentData().toString());
    EXPECT_TRUE(ok->isEnabled());
    auto* scale = dialog->findChild<QComboBox*>("CmbMapScale");
    scale->setCurrentIndex(scale->findText("1:10000"));
    auto* paper = dialog->findChild<QComboBox*>("CmbMapPaper");
    paper->setCurrentIndex(paper->findText("A2"));
    auto* orientation = dialog->findChild<QComboBox*>("CmbMapOrientation");
    orientation->setCurrentIndex(orientation->findText("縦"));
    Press(modal, QDialogButtonBox::Ok);
  });
  Click("BtnFormat");
  ASSERT_TRUE(QTest::qWaitFor([&] { return script.Done(); }, 20000));
  std::string ini = platform::ReadWholeFile(ini_);
  EXPECT_NE(ini.find("MAP=ON,10000,A2,portrait,town.pdf\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("FORMAT=wmf\r\n"), std::string::npos) << ini;

  test_util::OwningWindow again(ini_, temp_.path() + "/");
  again.FormCreate();
  EXPECT_EQ(again.Map(), (MapChoice{true, "town.pdf", 10000, Paper::kA2, Orientation::kPortrait}));
  EXPECT_TRUE(script.Unexpected().empty());
}

// pdfinfo's "Pages:" and the first page's size in points; nullopt where there is no pdfinfo
// (Windows).
struct PdfInfo {
  int pages = 0;
  double width = 0, height = 0;
};
std::optional<PdfInfo> ReadPdfInfo(const std::string& path) {
  QProcess pdfinfo;
  pdfinfo.start("pdfinfo", {QString::fromStdString(path)});
  if (!pdfinfo.waitForStarted(20000)) return std::nullopt;
  EXPECT_TRUE(pdfinfo.waitForFinished(20000));
  QString out = QString::fromUtf8(pdfinfo.readAllStandardOutput());
  PdfInfo info;
  auto pages = QRegularExpression(R"(Pages:\s+(\d+))").match(out);
  auto size = QRegularExpression(R"(Page size:\s+([\d.]+) x ([\d.]+) pts)").match(out);
  EXPECT_TRUE(pages.hasMatch() && size.hasMatch()) << out.toStdString();
  info.pages = pages.captured(1).toInt();
  info.width = size.captured(1).toDouble();
  info.height = size.captured(2).toDouble();
  return info;
}

// The two ticked sheets, 4000 x 1500 m, at 1:5000 are 800 x 300 mm: on A4 across (a 297 mm
// wide page) they take several pages; with the unticked sheet north of them they would take more.
TEST_F(MapTest, ABatchDrawsTheTickedMeshesItStoredIntoOneMapAndThePreviewShowsIt) {
  ChooseMap("town.pdf");
  std::vector<QString> progress;
  QObject::connect(window_->Job(), &ConversionJob::Progress, [&](const QString&, int, int) {
    progress.push_back(window_->findChild<QLabel*>("LblProgress")->text());
  });
  Tick(1);
  Tick(2);
  QWidget* end_parent = nullptr;
  bool drawn_under_end = false;
  ModalScript script;
  script.Then("QMessageBox", [&](QWidget* box) {
    EXPECT_EQ(test_util::BoxText(box), "END");
    end_parent = box->parentWidget();
    drawn_under_end = window_->Preview()->PaintBox()->IsReady();
    Press(box, QMessageBox::Ok);
  });
  Click("BtnGo");
  ASSERT_TRUE(QTest::qWaitFor([&] { return script.Done(); }, 20000));
  EXPECT_EQ(window_->findChild<QLabel*>("LblStatus")->text(), "2／2");
  EXPECT_EQ(end_parent, window_->Preview());  // the map is on show
  EXPECT_TRUE(drawn_under_end);
  ASSERT_GE(progress.size(), 2u);
  EXPECT_EQ(progress[progress.size() - 2], "town.pdf  07MD623  1／2");
  EXPECT_EQ(progress.back(), "town.pdf  07MD624  2／2");

  EXPECT_TRUE(fs::exists(out_ + "/town.pdf"));
  if (std::optional<PdfInfo> info = ReadPdfInfo(out_ + "/town.pdf")) {
    // Landscape A4 and as many pages as 800 x 300 mm need in its map window.
    EXPECT_NEAR(info->width, 297 / 25.4 * 72, 0.5);
    EXPECT_NEAR(info->height, 210 / 25.4 * 72, 0.5);
    output::PrintLayout two = output::LayOutPrint({-32000, -81000, -28000, -79500}, 5000,
                                                  Paper::kA4, Orientation::kLandscape);
    output::PrintLayout three = output::LayOutPrint({-32000, -81000, -28000, -78000}, 5000,
                                                    Paper::kA4, Orientation::kLandscape);
    ASSERT_NE(two.pages.size(), three.pages.size());
    EXPECT_EQ(info->pages, static_cast<int>(two.pages.size()));
  }

  // The preview closes as after a preview and gives every control back.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return window_->Preview()->findChild<QPushButton*>("BtnClose")->isVisible(); }, 20000));
  EXPECT_FALSE(window_->findChild<QWidget*>("BtnGo")->isEnabled());
  window_->Preview()->findChild<QPushButton*>("BtnClose")->click();
  EXPECT_TRUE(window_->findChild<QWidget*>("BtnGo")->isEnabled());
  EXPECT_TRUE(script.Unexpected().empty());
}

// A mesh that gives no place fails the map, as a failed mesh fails the batch: a box says why,
// the status says so, and no map file is left.
TEST_F(MapTest, AMeshWithoutAPlaceFailsTheMapAndLeavesNoFile) {
  TestMesh().Write(in_ + "/x1");
  window_->Meshes()->Rebuild(in_);
  ChooseMap("map.pdf");
  Tick(0);  // 07MD613
  Tick(3);  // x1
  QString said;
  ModalScript script;
  script.Then("QMessageBox", ReadAndClose(said));
  Click("BtnGo");
  ASSERT_TRUE(QTest::qWaitFor([&] { return script.Done(); }, 20000));
  EXPECT_TRUE(said.contains("map.pdf") && said.contains("x1")) << said.toStdString();
  EXPECT_FALSE(said.contains("--sheet-origins")) << said.toStdString();  // no such choice here
  EXPECT_EQ(window_->findChild<QLabel*>("LblStatus")->text(), "2／2 地図なし");
  EXPECT_TRUE(fs::exists(out_ + "/x1.wmf"));
  EXPECT_EQ(std::distance(fs::directory_iterator(out_), fs::directory_iterator()), 2);
  EXPECT_TRUE(WaitIdle());
  EXPECT_FALSE(window_->Preview()->isVisible());
  EXPECT_TRUE(script.Unexpected().empty());
}

// The map alone: no file per mesh, the ticked meshes drawn into the map, the choice kept.
TEST_F(MapTest, TheMapAloneStoresNoFilePerMesh) {
  ModalScript script;
  script.Then("FormatDialog", [](QWidget* modal) {
    auto* dialog = static_cast<FormatDialog*>(modal);
    QPushButton* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    dialog->Box(conversion::OutputFormat::kWmf)->setChecked(false);
    EXPECT_FALSE(ok->isEnabled());
    dialog->MapBox()->setChecked(true);
    EXPECT_TRUE(ok->isEnabled());
    Press(modal, QDialogButtonBox::Ok);
  });
  script.Then("QMessageBox", [](QWidget* box) {
    EXPECT_EQ(test_util::BoxText(box), "END");
    Press(box, QMessageBox::Ok);
  });
  Click("BtnFormat");
  Tick(1);
  Tick(2);
  Click("BtnGo");
  ASSERT_TRUE(QTest::qWaitFor([&] { return script.Done(); }, 20000));
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(out_)) {
    left.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(left, std::vector<std::string>{"map.pdf"});
  if (std::optional<PdfInfo> info = ReadPdfInfo(out_ + "/map.pdf")) {
    EXPECT_GE(info->pages, 1);
  }
  test_util::OwningWindow again(ini_, temp_.path() + "/");
  again.FormCreate();
  EXPECT_TRUE(again.Map().wanted);
  EXPECT_TRUE(again.Formats().empty());
  EXPECT_TRUE(script.Unexpected().empty());
}

// Stop while the map waits on a message of its second sheet: the meshes stay stored, no part of
// the map is left.
TEST_F(MapTest, StopDuringTheMapLeavesNoPartOfIt) {
  TestMesh bad;
  bad.files()["gyousei/si_tyo.pgn"] = PolygonFile({{"A1201", 1, {98}, {500, 500}}});
  bad.Write(in_ + "/07MD624");
  ChooseMap("map.pdf");
  Tick(1);
  Tick(2);
  bool in_map = false, stopped = false;
  QObject::connect(window_->Job(), &ConversionJob::Progress, [&](const QString& caption, int, int) {
    in_map = caption.startsWith("map.pdf");
  });
  auto* go = window_->findChild<QPushButton*>("BtnGo");
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || box->property("answered").toBool()) return;
    box->setProperty("answered", true);
    if (in_map && !stopped) {
      stopped = true;
      go->click();  // 中止
    }
    Press(box, QMessageBox::Ok);
  });
  answer.start(5);
  go->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return stopped && !window_->Job()->IsRunning(); }, 20000));
  EXPECT_EQ(window_->findChild<QLabel*>("LblStatus")->text(), "2／2 中止");
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(out_)) {
    left.push_back(entry.path().filename().string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"07MD623.wmf", "07MD624.wmf"}));
  EXPECT_FALSE(window_->Preview()->isVisible());
  EXPECT_TRUE(go->isEnabled());
}

// Layer styles with every layer on that hold the conversion at the n-th sheet begun (its corner
// marks are read first) until released.
class GateStyles : public settings::StyleSource {
 public:
  explicit GateStyles(int hold_at) : hold_at_(hold_at) {
    for (const auto& def : settings::LayerDefs()) table_.SetEnabled(def.key, true);
  }
  settings::LayerStyle Style(settings::LayerKey key) const override {
    if (key == settings::LayerKey::kSumiLine) {
      std::unique_lock lock(mutex_);
      if (++sheets_begun_ == hold_at_) {
        held_ = true;
        changed_.wait(lock, [this] { return released_; });
      }
    }
    return table_.Style(key);
  }
  settings::LabelFont Font(settings::FontId id) const override { return table_.Font(id); }
  bool Held() const {
    std::lock_guard lock(mutex_);
    return held_;
  }
  void Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  settings::LayerStyleTable table_;
  const int hold_at_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  mutable int sheets_begun_ = 0;
  mutable bool held_ = false;
  bool released_ = false;
};

// A stop between two layer rows of the map, with no message waiting: the map's next step ends
// it, and its file is never made.
TEST(MapJobTest, AStopBetweenLayerRowsOfTheMapLeavesNoPartOfIt) {
  TempFolder temp;
  std::string in = temp.Path("in"), out = temp.Path("out");
  fs::create_directories(out);
  for (const char* name : {"07MD623", "07MD624"}) TestMesh().Write(in + "/" + name);
  GateStyles styles(3);  // the batch begins two sheets, the map's first is the third
  picture::FontLibrary fonts;
  ConversionJob job(styles, fonts);
  QSignalSpy finished(&job, &ConversionJob::Finished);
  QSignalSpy drawn(&job, &ConversionJob::MapDrawn);
  conversion::BatchRequest request;
  request.input_folder = in;
  request.output_folder = out;
  request.meshes = {"07MD623", "07MD624"};
  request.formats = {conversion::OutputFormat::kWmf};
  conversion::MosaicRequest map;
  map.path = out + "/map.pdf";
  map.input_folder = in;
  job.StartBatch(request, {true, true}, map);
  ASSERT_TRUE(QTest::qWaitFor([&] { return styles.Held(); }, 20000));
  job.Cancel();
  styles.Release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, 20000));
  EXPECT_FALSE(finished.at(0).at(0).toBool());
  EXPECT_EQ(drawn.count(), 0);
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(out)) {
    left.push_back(entry.path().filename().string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"07MD623.wmf", "07MD624.wmf"}));
}

}  // namespace
}  // namespace sheetwright::ui
