// Previews and batches started from the main window: the conversion runs on its own thread while
// the window stays alive.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <filesystem>

#include "base/common_test_util.h"
#include "conversion/mesh_test_util.h"
#include "platform/files.h"
#include "ui/format_dialog.h"
#include "ui/main_window.h"
#include "ui/mesh_list.h"
#include "ui/message_box.h"
#include "ui/message_list.h"
#include "ui/preview_canvas.h"
#include "ui/preview_window.h"
#include "ui/signal_pipe.h"
#include "ui/ui_test_util.h"

namespace sheetwright::ui {
namespace {

namespace fs = std::filesystem;
using conversion::test_util::PolygonFile;
using conversion::test_util::TestMesh;
using sheetwright::test_util::TempFolder;
using test_util::BoxText;
using test_util::ModalScript;
using test_util::Press;
using test_util::ReadAndClose;

constexpr const char* kElevenControls[] = {"CheckListBox", "GroupBox1", "BtnAllSel", "BtnAllCls",
                                           "BtnPrev",      "BtnGo",     "BtnEnd",    "BtnInput",
                                           "BtnOutput",    "EdInput",   "EdOutput"};

// A mesh whose city and town polygons refer to arcs that do not exist: a message each time a fill
// or an outline row meets them, and the conversion goes on.
TestMesh MeshWithBadRecords() {
  TestMesh mesh;
  mesh.files()["gyousei/si_tyo.pgn"] = PolygonFile({{"A1201", 1, {98}, {500, 500}}});
  mesh.files()["gyousei/tyome.pgn"] = PolygonFile({{"A1202", 1, {99}, {450, 450}}});
  return mesh;
}

class RunTest : public ::testing::Test {
 protected:
  RunTest() {
    fs::create_directories(out_);
    for (const char* name : {"m1", "m2", "m3"}) TestMesh().Write(in_ + "/" + name);
    temp_.Write("vellumist.ini", "[FILE]\r\nINPUT=" + in_ + "\r\nOUTPUT=" + out_ + "\r\n");
    window_ =
        std::make_unique<test_util::OwningWindow>(temp_.Path("vellumist.ini"), temp_.path() + "/");
    window_->FormCreate();
    for (const auto& def : settings::LayerDefs()) window_->Styles().SetEnabled(def.key, true);
    window_->show();
  }

  void Click(const char* button) { window_->findChild<QPushButton*>(button)->click(); }
  bool Enabled(const char* name) { return window_->findChild<QWidget*>(name)->isEnabled(); }
  void Tick(int row, bool on) {
    window_->Meshes()->item(row)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
  }
  bool WaitIdle() {
    return QTest::qWaitFor([&] { return !window_->Job()->IsRunning(); }, 20000);
  }

  TempFolder temp_;
  std::string in_ = temp_.Path("in"), out_ = temp_.Path("out");
  std::unique_ptr<test_util::OwningWindow> window_;
};

TEST_F(RunTest, APreviewShowsTheCurrentRowAndGivesTheWindowBackOnClose) {
  PreviewWindow* preview = window_->Preview();
  auto* close = preview->findChild<QPushButton*>("BtnClose");
  window_->Meshes()->setCurrentRow(1);  // unticked: previewed all the same
  // The converted sheet arrives before the run has ended: no close button yet.
  std::vector<bool> close_shown_on_converted;
  QObject::connect(window_->Job(), &ConversionJob::Converted,
                   [&] { close_shown_on_converted.push_back(close->isVisible()); });
  Click("BtnPrev");
  EXPECT_TRUE(preview->isVisible());
  EXPECT_FALSE(preview->PaintBox()->IsReady());
  EXPECT_FALSE(close->isVisible());
  for (const char* name : kElevenControls) EXPECT_FALSE(Enabled(name)) << name;

  ASSERT_TRUE(QTest::qWaitFor([&] { return close->isVisible(); }, 20000));
  EXPECT_EQ(close_shown_on_converted, std::vector<bool>{false});
  EXPECT_TRUE(preview->PaintBox()->HasDrawing());
  EXPECT_TRUE(preview->windowFlags() & Qt::WindowStaysOnTopHint);
  for (const char* name : kElevenControls) EXPECT_FALSE(Enabled(name)) << name;
  close->click();
  EXPECT_FALSE(preview->isVisible());
  for (const char* name : kElevenControls) EXPECT_TRUE(Enabled(name)) << name;

  // Another mesh starts from the converting state again; nothing is ever stored.
  window_->Meshes()->setCurrentRow(2);
  Click("BtnPrev");
  EXPECT_FALSE(preview->PaintBox()->IsReady());
  ASSERT_TRUE(WaitIdle());
  EXPECT_TRUE(fs::is_empty(out_));
}

TEST_F(RunTest, WithoutACurrentRowAndAfterAFatalErrorEveryControlStaysUsable) {
  window_->Meshes()->setCurrentRow(-1);
  QString said;
  ModalScript script;
  script.Then("QMessageBox", ReadAndClose(said));
  Click("BtnPrev");
  EXPECT_EQ(said, "プレビュー対象のメッシュが選択されていません.");
  EXPECT_FALSE(window_->Preview()->isVisible());

  TestMesh broken;
  broken.files()["road/roadntwk.arc"] = "ARC,1,1,3\r\nL2110,1,1,2\r\n400.0,0.0\r\n4x0.0,2000.0\r\n";
  broken.Write(in_ + "/m1");
  window_->Meshes()->setCurrentRow(0);
  script.Then("QMessageBox", ReadAndClose(said));
  Click("BtnPrev");
  ASSERT_TRUE(QTest::qWaitFor([&] { return script.Done(); }, 20000));
  // Names the file, the line and the mesh.
  EXPECT_EQ(said, "road/roadntwk.arc:4: '4x0.0' は浮動小数点数ではありません\nメッシュ: m1");
  EXPECT_FALSE(window_->Preview()->isVisible());
  for (const char* name : kElevenControls) EXPECT_TRUE(Enabled(name)) << name;
  EXPECT_TRUE(script.Unexpected().empty());
}

TEST_F(RunTest, ABatchStoresTheTickedMeshesInListOrderAndSaysEnd) {
  std::vector<QString> statuses;
  QObject::connect(window_->Job(), &ConversionJob::Status,
                   [&](const QString& text) { statuses.push_back(text); });
  Tick(0, true);
  Tick(2, true);
  QString said;
  ModalScript script;
  script.Then("QMessageBox", ReadAndClose(said));
  Click("BtnGo");
  EXPECT_EQ(window_->findChild<QPushButton*>("BtnGo")->text(), "中止");  // the batch's stop
  EXPECT_FALSE(Enabled("BtnEnd"));
  EXPECT_TRUE(Enabled("CheckListBox"));  // ticks may change during a batch
  ASSERT_TRUE(QTest::qWaitFor([&] { return script.Done(); }, 20000));
  EXPECT_EQ(said, "END");
  EXPECT_EQ(statuses, (std::vector<QString>{"0／2", "0／2", "1／2", "2／2"}));
  EXPECT_EQ(window_->findChild<QLabel*>("LblStatus")->text(), "2／2");
  EXPECT_TRUE(fs::exists(out_ + "/m1.wmf") && fs::exists(out_ + "/m3.wmf"));
  EXPECT_FALSE(fs::exists(out_ + "/m2.wmf"));
  EXPECT_TRUE(window_->Preview()->PaintBox()->IsReady());  // drawn into the hidden preview
  EXPECT_FALSE(window_->Preview()->isVisible());
  EXPECT_TRUE(Enabled("BtnGo"));

  // Without its output folder the batch asks first; Yes makes it and the batch runs.
  fs::remove_all(out_);
  script.Then("QuestionMakeOutput", [](QWidget* box) { Press(box, QMessageBox::Yes); })
      .Then("QMessageBox", ReadAndClose(said));
  Click("BtnGo");
  ASSERT_TRUE(QTest::qWaitFor([&] { return script.Done(); }, 20000));
  EXPECT_EQ(said, "END");
  EXPECT_TRUE(fs::exists(out_ + "/m1.wmf") && fs::exists(out_ + "/m3.wmf"));
  EXPECT_TRUE(WaitIdle());
  fs::remove_all(out_);

  // Every layer off: asked before blank drawings are stored; No stores nothing.
  fs::create_directories(out_);
  for (const auto& def : settings::LayerDefs()) window_->Styles().SetEnabled(def.key, false);
  script.Then("QuestionBlank", [](QWidget* box) { Press(box, QMessageBox::No); });
  Click("BtnGo");
  EXPECT_TRUE(script.Done());
  EXPECT_FALSE(window_->Job()->IsRunning());
  EXPECT_TRUE(fs::is_empty(out_));
  EXPECT_TRUE(script.Unexpected().empty());
}

// The formats chosen in the dialog are kept in the settings file and a batch stores each of them
// for every ticked mesh; Cancel changes nothing and OK needs one format at least.
TEST_F(RunTest, ABatchStoresEveryChosenFormatOfTheTickedMeshes) {
  EXPECT_EQ(window_->Formats(), std::vector{conversion::OutputFormat::kWmf});
  ModalScript script;
  script.Then("FormatDialog", [](QWidget* modal) {
    auto* dialog = static_cast<FormatDialog*>(modal);
    dialog->Box(conversion::OutputFormat::kWmf)->setChecked(false);
    EXPECT_FALSE(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled());
    dialog->Box(conversion::OutputFormat::kDxf)->setChecked(true);
    dialog->Box(conversion::OutputFormat::kSvg)->setChecked(true);
    Press(modal, QDialogButtonBox::Ok);
  });
  Click("BtnFormat");
  ASSERT_TRUE(QTest::qWaitFor([&] { return script.Done(); }, 20000));
  script.Then("FormatDialog", [](QWidget* modal) {
    static_cast<FormatDialog*>(modal)->Box(conversion::OutputFormat::kPng)->setChecked(true);
    Press(modal, QDialogButtonBox::Cancel);
  });
  Click("BtnFormat");
  ASSERT_TRUE(QTest::qWaitFor([&] { return script.Done(); }, 20000));
  EXPECT_NE(platform::ReadWholeFile(temp_.Path("vellumist.ini")).find("FORMAT=svg,dxf\r\n"),
            std::string::npos);

  Tick(0, true);
  Tick(2, true);
  QString said;
  script.Then("QMessageBox", ReadAndClose(said));
  Click("BtnGo");
  ASSERT_TRUE(QTest::qWaitFor([&] { return script.Done(); }, 20000));
  EXPECT_EQ(said, "END");
  for (const char* mesh : {"m1", "m3"}) {
    EXPECT_TRUE(fs::exists(out_ + "/" + mesh + ".svg")) << mesh;
    EXPECT_TRUE(fs::exists(out_ + "/" + mesh + ".dxf")) << mesh;
    EXPECT_FALSE(fs::exists(out_ + "/" + mesh + ".wmf")) << mesh;
  }
  EXPECT_FALSE(fs::exists(out_ + "/m2.svg") || fs::exists(out_ + "/m2.dxf"));
  EXPECT_TRUE(WaitIdle());

  // The next start reads the choice back.
  test_util::OwningWindow again(temp_.Path("vellumist.ini"), temp_.path() + "/");
  again.FormCreate();
  EXPECT_EQ(again.Formats(),
            (std::vector{conversion::OutputFormat::kSvg, conversion::OutputFormat::kDxf}));
  EXPECT_TRUE(script.Unexpected().empty());
}

// Beyond the drawings the data is offered (MESH.gpkg, as the converter's -f gpkg); while a mesh's
// files are written the progress line says which; the END box is wide enough for its whole title;
// the message list saves into the output folder.
TEST_F(RunTest, TheProgressSaysWhichFileIsWrittenAndTheGeoPackageIsOffered) {
  ModalScript script;
  script.Then("FormatDialog", [](QWidget* modal) {
    auto* dialog = static_cast<FormatDialog*>(modal);
    dialog->Box(conversion::OutputFormat::kWmf)->setChecked(false);
    dialog->GpkgBox()->setChecked(true);
    EXPECT_TRUE(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled());
    dialog->Box(conversion::OutputFormat::kSvg)->setChecked(true);
    Press(modal, QDialogButtonBox::Ok);
  });
  Click("BtnFormat");
  ASSERT_TRUE(QTest::qWaitFor([&] { return script.Done(); }, 20000));
  EXPECT_NE(platform::ReadWholeFile(temp_.Path("vellumist.ini")).find("FORMAT=svg,gpkg\r\n"),
            std::string::npos);

  std::vector<QString> progress;
  QObject::connect(window_->Job(), &ConversionJob::Writing, [&](const QString&, const QString&) {
    progress.push_back(window_->findChild<QLabel*>("LblProgress")->text());
  });
  Tick(1, true);
  int title_width = 0, box_width = 0;
  script.Then("QMessageBox", [&](QWidget* box) {
    QFont title_font = QApplication::font("QMdiSubWindowTitleBar");
    title_font.setBold(true);
    title_width = QFontMetrics(title_font).horizontalAdvance(box->windowTitle());
    box_width = box->width();
    Press(box, QMessageBox::Ok);
  });
  Click("BtnGo");
  ASSERT_TRUE(QTest::qWaitFor([&] { return script.Done(); }, 20000));
  EXPECT_GE(box_width, title_width + kTitleBarRoom);
  EXPECT_EQ(progress,
            (std::vector<QString>{"m2  GeoPackage を書き込み中", "m2  SVG を書き込み中"}));
  EXPECT_TRUE(fs::exists(out_ + "/m2.gpkg") && fs::exists(out_ + "/m2.svg"));
  EXPECT_FALSE(fs::exists(out_ + "/m2.wmf"));
  EXPECT_EQ(QDir::fromNativeSeparators(window_->Messages()->SaveStart()),
            QDir::fromNativeSeparators(QString::fromStdString(out_ + "/messages.txt")));
  EXPECT_TRUE(WaitIdle());

  // Data alone: no drawing, and no question about blank drawings with every layer off.
  test_util::OwningWindow again(temp_.Path("vellumist.ini"), temp_.path() + "/");
  again.FormCreate();
  EXPECT_EQ(again.Formats(), std::vector{conversion::OutputFormat::kSvg});
  EXPECT_TRUE(again.DataWanted());
  EXPECT_EQ(ParseFormatChoice("gpkg"), (FormatChoice{{}, true}));
  EXPECT_EQ(ParseFormatChoice("tiff"), FormatChoice{});  // WMF, as before the choice
  EXPECT_EQ(FormatChoiceText(FormatChoice{{}, true}), "gpkg");
  EXPECT_TRUE(script.Unexpected().empty());
}

TEST_F(RunTest, MessagesWaitForOkWhileTheWindowLivesAndTicksChangeDuringTheBatch) {
  MeshWithBadRecords().Write(in_ + "/m1");
  TestMesh().Write(in_ + "/m4");
  window_->Meshes()->Rebuild(in_);
  std::vector<QString> statuses;
  QObject::connect(window_->Job(), &ConversionJob::Status,
                   [&](const QString& text) { statuses.push_back(text); });
  Tick(0, true);
  Tick(1, true);
  int beats = 0;
  QTimer heartbeat;
  QObject::connect(&heartbeat, &QTimer::timeout, [&] { ++beats; });
  heartbeat.start(5);

  ModalScript script;
  std::vector<QString> shown;
  script.Then("QMessageBox", [&](QWidget* box) {
    shown.push_back(BoxText(box));
    int before = beats;
    // The conversion waits; the GUI thread goes on (however busy the machine is).
    EXPECT_TRUE(QTest::qWaitFor([&] { return beats > before + 2; }, 10000));
    EXPECT_TRUE(window_->Job()->IsRunning());
    Tick(1, false);  // a tick changed now applies to the rows not yet reached
    Tick(2, true);
    Tick(3, true);
    box->findChild<QCheckBox*>()->setChecked(true);  // show no further messages
    Press(box, QMessageBox::Ok);
  });
  script.Then("QMessageBox", [&](QWidget* box) {
    shown.push_back(BoxText(box));
    Press(box, QMessageBox::Ok);
  });
  Click("BtnGo");
  ASSERT_TRUE(QTest::qWaitFor([&] { return script.Done(); }, 20000));
  EXPECT_EQ(shown,
            (std::vector<QString>{
                "ARCID-NOTFOUND=98\nメッシュ m1  ファイル gyousei/si_tyo.pgn  3 行目", "END"}));
  EXPECT_TRUE(fs::exists(out_ + "/m1.wmf") && fs::exists(out_ + "/m3.wmf"));
  EXPECT_FALSE(fs::exists(out_ + "/m2.wmf"));
  // The rows ticked meanwhile count into the total as they are reached: never "3／2".
  EXPECT_EQ(statuses, (std::vector<QString>{"0／2", "0／2", "1／2", "2／3", "3／3"}));
  // Every message is in the list, the silenced one too, and it can be saved.
  EXPECT_TRUE(window_->Messages()->isVisible());
  QStringList all{
      "m1/gyousei/si_tyo.pgn:3: ARCID-NOTFOUND=98", "m1/gyousei/tyome.pgn:3: ARCID-NOTFOUND=99",
      "m1/gyousei/tyome.pgn:3: ARCID-NOTFOUND=99", "m1/gyousei/si_tyo.pgn:3: ARCID-NOTFOUND=98"};
  EXPECT_EQ(window_->Messages()->Lines(), all);
  ASSERT_TRUE(window_->Messages()->SaveTo(QString::fromStdString(temp_.Path("messages.txt"))));
  EXPECT_EQ(sheetwright::test_util::ReadFileBytes(temp_.Path("messages.txt")),
            all.join('\n').toStdString() + "\n");
}

// While a batch runs, 変換実行 is 中止: the batch stops, what was stored stays, the status says
// how many; the question of a close opens above the preview.
TEST_F(RunTest, StopEndsTheBatchAndDialogsOpenAboveThePreview) {
  MeshWithBadRecords().Write(in_ + "/m2");
  Tick(0, true);
  Tick(1, true);
  Tick(2, true);
  auto* go = window_->findChild<QPushButton*>("BtnGo");
  ModalScript script;
  script.Then("QMessageBox", [&](QWidget* box) {
    EXPECT_EQ(go->text(), "中止");
    EXPECT_TRUE(go->isEnabled());
    go->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window_->Job()->IsRunning(); }, 20000));
    Press(box, QMessageBox::Ok);
  });
  Click("BtnGo");
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return script.Done() && !window_->Job()->IsRunning(); }, 20000));
  EXPECT_EQ(go->text(), "変換実行");
  EXPECT_TRUE(fs::exists(out_ + "/m1.wmf"));
  EXPECT_FALSE(fs::exists(out_ + "/m2.wmf") || fs::exists(out_ + "/m3.wmf"));
  EXPECT_EQ(window_->findChild<QLabel*>("LblStatus")->text(), "1／3 中止");
  EXPECT_EQ(std::distance(fs::directory_iterator(out_), fs::directory_iterator()), 1);

  // A preview held by its first data message: a close asks above the preview.
  window_->Meshes()->setCurrentRow(1);
  QWidget* parent = nullptr;
  script
      .Then("QMessageBox",
            [&](QWidget*) {
              QMetaObject::invokeMethod(window_.get(), "close", Qt::QueuedConnection);
            })
      .Then("QuestionEndRunning",
            [&](QWidget* box) {
              parent = box->parentWidget();
              Press(box, QMessageBox::No);
            })
      .Then("QMessageBox", [](QWidget* box) {
        box->findChild<QCheckBox*>()->setChecked(true);  // no more of them
        Press(box, QMessageBox::Ok);
      });
  Click("BtnPrev");
  ASSERT_TRUE(QTest::qWaitFor([&] { return script.Done(); }, 20000));
  EXPECT_EQ(parent, window_->Preview());
  EXPECT_TRUE(script.Unexpected().empty());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window_->Job()->IsRunning(); }, 20000));
}

TEST_F(RunTest, ANewRunDropsTheLateSignalsOfTheOneBeforeAndNeverWaitsForIt) {
  test_util::WindowParts parts;
  ConversionJob job(parts.styles, parts.fonts);
  int finished = 0;
  QObject::connect(&job, &ConversionJob::Finished, [&] { ++finished; });
  auto wait_idle = [&] { return QTest::qWaitFor([&] { return !job.IsRunning(); }, 20000); };
  std::string mesh = in_ + "/m1";
  job.StartPreview(mesh);
  job.StartPreview(mesh);  // the first is abandoned: only the second one ends
  ASSERT_TRUE(wait_idle());
  job.StartPreview(mesh);
  ASSERT_TRUE(wait_idle());
  EXPECT_EQ(finished, 2);
}

TEST_F(RunTest, ACancelWhileAMessageWaitsIsNoFailureAndACloseAskedMeanwhileGoesWithTheRun) {
  MeshWithBadRecords().Write(in_ + "/m1");
  Tick(0, true);
  Tick(1, true);
  ModalScript script;
  QString question, end;
  QPointer<QWidget> message;
  script
      .Then("QMessageBox",
            [&](QWidget* box) {
              message = box;
              QTimer::singleShot(0, window_.get(), [&] { window_->close(); });
            })
      .Then("QuestionEndRunning",
            [&](QWidget* box) {
              question = BoxText(box);
              window_->Job()->Acknowledge(true);  // the batch goes on to its end meanwhile
            })
      .Then("QMessageBox", ReadAndClose(end))
      .Then("QMessageBox", [](QWidget* box) { Press(box, QMessageBox::Ok); });
  Click("BtnGo");
  ASSERT_TRUE(QTest::qWaitFor([&] { return script.Done() && !message; }, 20000));
  EXPECT_EQ(question, "変換中です。変換を中止して終了しますか？");
  EXPECT_EQ(end, "END");  // the question went by itself; the window stays
  EXPECT_TRUE(window_->isVisible());

  // A cancel while a message waits ends the batch without an error box.
  script.Then("QMessageBox", [&](QWidget* box) {
    window_->Job()->Cancel();
    Press(box, QMessageBox::Ok);
  });
  Click("BtnGo");
  ASSERT_TRUE(QTest::qWaitFor([&] { return script.Done(); }, 20000));
  ASSERT_TRUE(WaitIdle());
  EXPECT_TRUE(Enabled("BtnGo"));
  EXPECT_TRUE(script.Unexpected().empty()) << script.Unexpected()[0].toStdString();
}

TEST_F(RunTest, ASignalStopsTheRunClosesItsDialogsSavesAndEnds) {
  MeshWithBadRecords().Write(in_ + "/m1");
  Tick(0, true);
  SignalPipe signals_in;
  QObject::connect(&signals_in, &SignalPipe::Received, window_.get(), &MainWindow::EndBySignal);
  int status = -1;
  QObject::connect(window_.get(), &MainWindow::Ended, [&](int s) { status = s; });
  ModalScript script;
  script.Then("QMessageBox", [](QWidget*) { raise(SIGTERM); });  // while a message waits
  Click("BtnGo");
  ASSERT_TRUE(QTest::qWaitFor([&] { return status >= 0; }, 20000));
  EXPECT_EQ(status, 128 + SIGTERM);
  EXPECT_FALSE(window_->Job()->IsRunning());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_NE(sheetwright::test_util::ReadFileBytes(temp_.Path("vellumist.ini")).find("[CONVERT]"),
            std::string::npos);
  for (const auto& entry : fs::directory_iterator(out_)) ADD_FAILURE() << entry.path();
  EXPECT_TRUE(script.Unexpected().empty());
}

}  // namespace
}  // namespace sheetwright::ui
