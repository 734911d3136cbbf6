#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>
#include <filesystem>
#include <memory>

#include "base/common_test_util.h"
#include "ui/colour_box.h"
#include "ui/folder_chooser.h"
#include "ui/layer_layout.h"
#include "ui/mesh_list.h"
#include "ui/ui_test_util.h"

namespace sheetwright::ui {
namespace {

using settings::FontId;
using settings::LayerKey;
using sheetwright::test_util::ReadFileBytes;
using sheetwright::test_util::TempFolder;
using test_util::BoxText;
using test_util::ModalScript;
using test_util::Press;
using test_util::ReadAndClose;

class MainWindowTest : public ::testing::Test {
 protected:
  std::unique_ptr<test_util::OwningWindow> Start(const std::string& ini) {
    auto window = std::make_unique<test_util::OwningWindow>(ini, temp_.path() + "/");
    window->FormCreate();
    return window;
  }
  std::unique_ptr<test_util::OwningWindow> Start() { return Start(ini_); }

  template <class T>
  static T* Find(const QWidget& window, const QString& name) {
    T* found = window.findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
  }

  // A folder of meshes "b2", "A1", "a0", beside a hidden folder and a plain file.
  std::string MakeMeshFolder(const std::string& name) {
    std::string folder = temp_.Path(name);
    for (const char* mesh : {"b2", "A1", "a0", ".hidden"}) {
      std::filesystem::create_directories(folder + "/" + mesh);
    }
    temp_.Write(name + "/c3", "not a mesh");
    return folder;
  }

  // Answers the folder chooser with `path` and OK.
  static ModalScript::Step ChooseInDialog(const QString& path) {
    return [path](QWidget* chooser) {
      Find<QLineEdit>(*chooser, "EdPath")->setText(path);
      Press(chooser, QDialogButtonBox::Ok);
    };
  }

  TempFolder temp_;
  std::string ini_ = temp_.Path("vellumist.ini");
};

TEST_F(MainWindowTest, PlacesEveryControlOfTheLayout) {
  auto window = Start();
  EXPECT_EQ(window->windowTitle(), "Sheetwright");
  EXPECT_EQ(window->size(), QSize(896, 664));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_FALSE(window->windowFlags() & Qt::WindowCloseButtonHint);

  struct Expected {
    const char* name;
    const char* caption;
    QRect rect;
  };
  for (const Expected& e :
       std::initializer_list<Expected>{{"BtnGo", "変換実行", {8, 8, 89, 33}},
                                       {"BtnEnd", "終了", {104, 8, 89, 33}},
                                       {"BtnInput", "入力ファイル", {8, 52, 89, 29}},
                                       {"BtnOutput", "出力ファイル", {8, 88, 89, 33}},
                                       {"BtnAllSel", "全選択", {736, 8, 89, 33}},
                                       {"BtnAllCls", "全解除", {736, 48, 89, 33}},
                                       {"BtnPrev", "プレビュー実行", {736, 84, 89, 37}}}) {
    auto* button = Find<QPushButton>(*window, e.name);
    EXPECT_EQ(button->text(), e.caption);
    EXPECT_EQ(button->geometry(), e.rect) << e.name;
  }
  EXPECT_EQ(Find<QLineEdit>(*window, "EdInput")->geometry(), QRect(100, 60, 341, 20));
  EXPECT_TRUE(Find<QLineEdit>(*window, "EdOutput")->isReadOnly());
  EXPECT_EQ(Find<MeshList>(*window, "CheckListBox")->geometry(), QRect(452, 8, 273, 113));
  EXPECT_EQ(Find<QGroupBox>(*window, "GroupBox1")->geometry(), QRect(4, 124, 885, 533));
  auto* status = Find<QLabel>(*window, "LblStatus");
  EXPECT_EQ(status->pos(), QPoint(344, 8));
  EXPECT_EQ(status->font().pixelSize(), 24);
  EXPECT_EQ(status->palette().color(QPalette::WindowText), QColor(Qt::red));

  // The layer rows: 44 switches, 43 shown; name rows show a font button instead of colour and
  // width.
  EXPECT_EQ(Find<QGroupBox>(*window, "GroupBox8")->geometry(), QRect(584, 416, 281, 57));
  auto* sumi = Find<QCheckBox>(*window, "ChkSumi");
  EXPECT_EQ(sumi->parentWidget()->objectName(), "GroupBox8");
  EXPECT_EQ(sumi->pos(), QPoint(8, 16));
  auto* cyo_atr = Find<QCheckBox>(*window, "ChkCyoAtr");
  EXPECT_EQ(cyo_atr->parentWidget()->objectName(), "GrpBoxGyo");
  EXPECT_EQ(cyo_atr->pos(), QPoint(8, 164));
  EXPECT_EQ(cyo_atr->text(), "町丁目名称");
  EXPECT_EQ(Find<QPushButton>(*window, "BtnFontCyo")->size(), QSize(88, 21));
  EXPECT_EQ(Find<QSlider>(*window, "TrkTetuSikiLine")->pos().x(), 208);
  EXPECT_EQ(Find<ColourBox>(*window, "ColKasenPoly")->pos().x(), 120);
  EXPECT_EQ(window->findChild<QSlider*>("TrkKasenPoly"), nullptr);
  int shown = 0, font_buttons = 0;
  for (const RowLayout& row : RowLayouts()) {
    shown += !Find<QCheckBox>(*window, row.check_name)->isHidden();
    bool name_row = !row.font_button_name.isEmpty();
    if (name_row) font_buttons += Find<QPushButton>(*window, row.font_button_name) != nullptr;
    EXPECT_EQ(Find<ColourBox>(*window, row.colour_name)->isHidden(),
              name_row || row.def->hidden_switch)
        << row.colour_name.toStdString();
  }
  EXPECT_EQ(shown, 43);
  EXPECT_TRUE(Find<QCheckBox>(*window, "ChkKuikiLine")->isHidden());
  EXPECT_EQ(font_buttons, 12);
}

// The window keeps its classic size where the screen has room and is centred; on a smaller screen
// (1366 x 768 at 125 %: 1093 x 614 with a panel) it shrinks to what the screen has, title bar and
// bottom edge on screen.
TEST(FitToScreen, KeepsTheTitleBarAndTheBottomEdgeOnScreen) {
  const QSize client(896, 664);
  const QMargins frame(4, 30, 4, 4);
  struct Case {
    QRect available;
    QRect expected;
  };
  for (Case c :
       {Case{{0, 0, 1920, 1040}, {512, 201, 896, 664}}, Case{{0, 0, 1093, 584}, {98, 30, 896, 550}},
        Case{{0, 30, 800, 570}, {4, 60, 792, 536}}}) {
    QRect fitted = FitToScreen(client, frame, c.available);
    EXPECT_EQ(fitted, c.expected) << c.available.width() << "x" << c.available.height();
    EXPECT_TRUE(c.available.contains(fitted.marginsAdded(frame)));
  }
}

TEST_F(MainWindowTest, WithoutASettingsFileEveryControlHoldsItsDefault) {
  auto window = Start();
  for (const RowLayout& row : RowLayouts()) {
    EXPECT_FALSE(Find<QCheckBox>(*window, row.check_name)->isChecked());
    auto* colour = Find<ColourBox>(*window, row.colour_name);
    EXPECT_EQ(colour->currentIndex(), ColourBox::kCustomEntry);
    EXPECT_EQ(colour->Color(), 0u);
    if (!row.track_name.isEmpty()) {
      EXPECT_EQ(Find<QSlider>(*window, row.track_name)->value(), 3);
    }
  }
  EXPECT_EQ(window->Styles().Font(FontId::kGai), picture::LabelFont());
  EXPECT_TRUE(window->InputFolder().isEmpty());
  EXPECT_TRUE(window->OutputFolder().isEmpty());
  EXPECT_EQ(window->Meshes()->count(), 0);
  EXPECT_FALSE(std::filesystem::exists(ini_));
}

TEST_F(MainWindowTest, EndWritesEverySettingAndTheNextStartRestoresIt) {
  std::string meshes = MakeMeshFolder("meshes");
  temp_.Write("vellumist.ini", "[FILE]\r\nINPUT=" + meshes + "\r\n");
  auto first = Start();
  EXPECT_EQ(first->InputFolder().toStdString(), meshes);
  EXPECT_EQ(first->Meshes()->Names(), (std::vector<std::string>{"a0", "A1", "b2"}));
  EXPECT_EQ(first->Meshes()->currentRow(), 0);

  // Through the controls, as the user does...
  Find<QCheckBox>(*first, "ChkGaikuLine")->click();
  auto* colour = Find<ColourBox>(*first, "ColGaikuLine");
  colour->setCurrentIndex(10);
  emit colour->activated(10);
  Find<QSlider>(*first, "TrkGaikuLine")->setValue(5);
  // ...and the values only the settings file reaches: the hidden road-area row, the hidden
  // colours and widths of name rows, and a colour outside the list.
  settings::LayerStyleTable& styles = first->Styles();
  styles.SetEnabled(LayerKey::kKuikiLine, true);
  styles.SetColor(LayerKey::kKuikiLine, 0x123456);
  styles.SetColor(LayerKey::kSityoName, 0x00FF00);
  styles.SetWidthStep(LayerKey::kSityoName, 1);
  picture::LabelFont font;
  font.face_name = "IPAGothic";
  font.height = -13;
  font.style = picture::kBold | picture::kStrikeOut;
  font.pitch = 2;
  font.color = 0x0000FF;
  styles.SetFont(FontId::kSchool, font);
  EXPECT_EQ(styles.Style(LayerKey::kGaikuLine).width_step, 5);

  first->show();
  Find<QPushButton>(*first, "BtnEnd")->click();
  EXPECT_FALSE(first->isVisible());
  std::string saved = ReadFileBytes(ini_);
  EXPECT_NE(saved.find("[FILE]\r\nINPUT=" + meshes + "\r\n"), std::string::npos);

  auto second = Start();
  for (const settings::LayerDef& def : settings::LayerDefs()) {
    settings::LayerStyle a = first->Styles().Style(def.key), b = second->Styles().Style(def.key);
    EXPECT_EQ(a.enabled, b.enabled) << def.name;
    EXPECT_EQ(a.color, b.color) << def.name;
    EXPECT_EQ(a.width_step, b.width_step) << def.name;
  }
  for (const settings::FontDef& def : settings::FontDefs()) {
    EXPECT_EQ(first->Styles().Font(def.id), second->Styles().Font(def.id)) << def.section;
  }
  EXPECT_TRUE(Find<QCheckBox>(*second, "ChkGaikuLine")->isChecked());
  EXPECT_EQ(Find<ColourBox>(*second, "ColGaikuLine")->currentIndex(), 10);
  EXPECT_EQ(Find<QSlider>(*second, "TrkGaikuLine")->value(), 5);
  EXPECT_EQ(Find<ColourBox>(*second, "ColKuikiLine")->Color(), 0x123456u);
  EXPECT_EQ(Find<ColourBox>(*second, "ColShiAtr")->currentIndex(), 11);
  EXPECT_EQ(Find<QSlider>(*second, "TrkShiAtr")->value(), 1);

  // Ending again without a change leaves every byte as it was.
  Find<QPushButton>(*second, "BtnEnd")->click();
  EXPECT_EQ(ReadFileBytes(ini_), saved);
}

TEST_F(MainWindowTest, AFailedWriteKeepsTheWindowOpen) {
  std::string ini = temp_.Path("missing-folder/vellumist.ini");
  auto window = Start(ini);
  window->show();
  QString shown;
  ModalScript script;
  script.Then("QMessageBox", ReadAndClose(shown));
  Find<QPushButton>(*window, "BtnEnd")->click();
  // The reason follows, in Japanese for the common ones.
  EXPECT_EQ(shown.toStdString(), ini + " に書き込めません: ファイルまたはディレクトリがありません");
  EXPECT_TRUE(window->isVisible());

  // A close from the window manager asks before it ends without the settings.
  script.Then("QMessageBox", [](QWidget* box) { Press(box, QMessageBox::No); });
  window->close();
  EXPECT_TRUE(window->isVisible());
  script.Then("QMessageBox", [](QWidget* box) { Press(box, QMessageBox::Yes); });
  window->close();
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(script.Done());
  EXPECT_TRUE(script.Unexpected().empty());
}

TEST_F(MainWindowTest, AWindowManagerCloseSavesTheSettings) {
  auto window = Start();
  window->Styles().SetEnabled(LayerKey::kSumiLine, true);
  window->show();
  window->close();
  EXPECT_NE(ReadFileBytes(ini_).find("SUMI_LINE=ON"), std::string::npos);
}

TEST_F(MainWindowTest, ABadFontColourIsShownAndTheListIsNotBuilt) {
  std::string meshes = MakeMeshFolder("meshes");
  temp_.Write("vellumist.ini", "[CONVERT]\r\nSEA_LINE=ON\r\n[FILE]\r\nINPUT=" + meshes +
                                   "\r\n[FontSi]\r\nColor=bogus\r\n");
  ModalScript script;
  QString shown;
  script.Then("QMessageBox", ReadAndClose(shown));
  auto window = Start();
  EXPECT_EQ(shown.toStdString(), ini_ + " [FontSi] Color: 'bogus' は整数ではありません");
  EXPECT_TRUE(Find<QCheckBox>(*window, "ChkSeaLine")->isChecked());
  EXPECT_EQ(window->Meshes()->count(), 0);
}

TEST_F(MainWindowTest, ASettingsFileThatCannotBeReadIsShownAndNeverOverwritten) {
  std::filesystem::create_directory(ini_);  // there, but no file to read
  ModalScript script;
  std::vector<QString> shown;
  auto note = [&](QWidget* box) {
    shown.push_back(BoxText(box));
    Press(box, QMessageBox::Ok);
  };
  script.Then("QMessageBox", note).Then("QMessageBox", note);
  auto window = Start();
  EXPECT_FALSE(Find<QCheckBox>(*window, "ChkSumi")->isChecked());
  Find<QPushButton>(*window, "BtnEnd")->click();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_TRUE(shown[0].startsWith(QString::fromStdString(ini_))) << shown[0].toStdString();
  EXPECT_TRUE(shown[1].startsWith(QString::fromStdString(ini_ + " に書き込めません: ")))
      << shown[1].toStdString();
  EXPECT_TRUE(std::filesystem::is_directory(ini_));
}

TEST_F(MainWindowTest, FolderChoicesAreStoredAtOnceAndAnInputChoiceRebuildsTheList) {
  std::string meshes = MakeMeshFolder("meshes");
  auto window = Start();
  ModalScript script;
  QString start;
  script.Then("FolderChooser", [&](QWidget* chooser) {
    EXPECT_EQ(chooser->windowTitle(), "ディレクトリの選択");
    start = Find<QLineEdit>(*chooser, "EdPath")->text();
    Press(chooser, QDialogButtonBox::Cancel);
  });
  Find<QPushButton>(*window, "BtnInput")->click();
  EXPECT_EQ(start, QDir::currentPath());
  EXPECT_TRUE(window->InputFolder().isEmpty());
  EXPECT_FALSE(std::filesystem::exists(ini_));

  script.Then("FolderChooser", ChooseInDialog(QString::fromStdString(meshes + "/")));
  Find<QPushButton>(*window, "BtnInput")->click();
  EXPECT_EQ(window->InputFolder().toStdString(), meshes + "/");
  EXPECT_EQ(ReadFileBytes(ini_), "[FILE]\r\nINPUT=" + meshes + "/\r\n");
  MeshList* list = window->Meshes();
  EXPECT_EQ(list->Names(), (std::vector<std::string>{"a0", "A1", "b2"}));
  list->setCurrentRow(2);
  Find<QPushButton>(*window, "BtnAllSel")->click();
  EXPECT_TRUE(list->IsTicked(0) && list->IsTicked(1) && list->IsTicked(2));
  EXPECT_EQ(list->currentRow(), 2);

  // An output folder leaves the list alone; the same input folder again drops every tick.
  std::string out = temp_.Path("out");
  std::filesystem::create_directory(out);
  script.Then("FolderChooser", ChooseInDialog(QString::fromStdString(out)));
  Find<QPushButton>(*window, "BtnOutput")->click();
  EXPECT_EQ(window->OutputFolder().toStdString(), out);
  EXPECT_TRUE(list->IsTicked(2));
  EXPECT_EQ(list->currentRow(), 2);
  script.Then("FolderChooser", ChooseInDialog(QString::fromStdString(meshes)));
  Find<QPushButton>(*window, "BtnInput")->click();
  EXPECT_FALSE(list->IsTicked(0) || list->IsTicked(1) || list->IsTicked(2));
  EXPECT_EQ(list->currentRow(), 0);
  Find<QPushButton>(*window, "BtnAllCls")->click();
  EXPECT_EQ(list->currentRow(), 0);
  EXPECT_EQ(ReadFileBytes(ini_), "[FILE]\r\nINPUT=" + meshes + "\r\nOUTPUT=" + out + "\r\n");
  EXPECT_TRUE(script.Unexpected().empty());
}

TEST_F(MainWindowTest, AMissingFolderIsCreatedOnlyAfterYes) {
  auto window = Start();
  std::string wanted = temp_.Path("new/deeper");
  ModalScript script;
  script.Then("FolderChooser", ChooseInDialog(QString::fromStdString(wanted)))
      .Then("QMessageBox",
            [](QWidget* question) {
              EXPECT_EQ(BoxText(question), "指定されたディレクトリが存在しません。作成しますか？");
              Press(question, QMessageBox::No);
            })
      .Then("FolderChooser",
            [](QWidget* chooser) { Press(chooser, QDialogButtonBox::Ok); })  // still open
      .Then("QMessageBox", [](QWidget* question) { Press(question, QMessageBox::Yes); });
  Find<QPushButton>(*window, "BtnOutput")->click();
  EXPECT_TRUE(script.Done());
  EXPECT_TRUE(std::filesystem::is_directory(wanted));
  EXPECT_EQ(window->OutputFolder().toStdString(), wanted);

  // "~/..." and a bare or relative name are taken against the home folder and stored whole.
  std::filesystem::create_directory(temp_.Path("home"));
  QByteArray home = qgetenv("HOME");
  qputenv("HOME", QByteArray::fromStdString(temp_.Path("home")));
  for (const char* typed : {"~/maps", "bare-name"}) {
    script.Then("FolderChooser", ChooseInDialog(typed)).Then("QMessageBox", [](QWidget* question) {
      Press(question, QMessageBox::Yes);
    });
    Find<QPushButton>(*window, "BtnInput")->click();
  }
  qputenv("HOME", home);
  EXPECT_TRUE(std::filesystem::is_directory(temp_.Path("home/maps")));
  EXPECT_TRUE(std::filesystem::is_directory(temp_.Path("home/bare-name")));
  EXPECT_EQ(window->InputPath(), temp_.Path("home/bare-name"));
  EXPECT_EQ(ReadFileBytes(ini_),
            "[FILE]\r\nOUTPUT=" + wanted + "\r\nINPUT=" + temp_.Path("home/bare-name") + "\r\n");
  EXPECT_TRUE(script.Unexpected().empty());
}

// A stored folder that is gone stays in its field with a line saying so; a batch into it asks
// before making it. A file without a stored folder starts the fields at the fallback.
TEST_F(MainWindowTest, AMissingStoredFolderIsShownAndMadeOnlyAfterAsking) {
  temp_.Write("vellumist.ini", "[CONVERT]\r\n");
  auto fresh = Start();
  EXPECT_EQ(fresh->OutputFolder().toStdString(), temp_.path() + "/");
  std::string gone = temp_.Path("share/out");
  temp_.Write("vellumist.ini", "[FILE]\r\nOUTPUT=" + gone + "\r\n");
  auto window = Start();
  EXPECT_EQ(window->OutputFolder().toStdString(), gone);
  EXPECT_EQ(Find<QLabel>(*window, "LblMissing")->text(), "出力フォルダがありません");
  for (const auto& def : settings::LayerDefs()) window->Styles().SetEnabled(def.key, true);
  ModalScript script;
  script.Then("QuestionMakeOutput", [](QWidget* question) { Press(question, QMessageBox::No); });
  Find<QPushButton>(*window, "BtnGo")->click();
  EXPECT_TRUE(script.Done());
  EXPECT_FALSE(std::filesystem::exists(gone));
  EXPECT_FALSE(window->Job()->IsRunning());
}

TEST_F(MainWindowTest, AFailedStoreKeepsTheOldList) {
  std::string meshes = MakeMeshFolder("meshes");
  std::filesystem::create_directories(temp_.Path("other/x1"));
  std::string ini = temp_.Path("settings/vellumist.ini");
  std::filesystem::create_directory(temp_.Path("settings"));
  temp_.Write("settings/vellumist.ini", "[FILE]\r\nINPUT=" + meshes + "\r\n");
  auto window = Start(ini);
  std::filesystem::remove_all(temp_.Path("settings"));  // writes now fail
  ModalScript script;
  QString error;
  script.Then("FolderChooser", ChooseInDialog(QString::fromStdString(temp_.Path("other"))))
      .Then("QMessageBox", ReadAndClose(error));
  Find<QPushButton>(*window, "BtnInput")->click();
  EXPECT_TRUE(error.startsWith(QString::fromStdString(ini + " に書き込めません")));
  EXPECT_EQ(window->InputFolder().toStdString(), meshes);  // field and list stay in step
  EXPECT_EQ(window->Meshes()->Names(), (std::vector<std::string>{"a0", "A1", "b2"}));
}

TEST_F(MainWindowTest, AFolderNamedInCp932IsShownDecodedAndKeptAsItsBytes) {
  std::string folder = MakeMeshFolder("\x92\x6e\x90\x7d");  // 地図 as Windows spells it
  temp_.Write("vellumist.ini", "[FILE]\r\nINPUT=" + folder + "\r\n");
  auto window = Start();
  QString shown = QString::fromStdString(temp_.Path("地図"));
  EXPECT_EQ(window->InputFolder(), shown);
  EXPECT_EQ(window->InputPath(), folder);
  EXPECT_EQ(window->Meshes()->Names(), (std::vector<std::string>{"a0", "A1", "b2"}));

  // Chosen by its shown name: no question, nothing made, the bytes stored.
  ModalScript script;
  script.Then("FolderChooser", ChooseInDialog(shown + "/A1"));
  Find<QPushButton>(*window, "BtnOutput")->click();
  EXPECT_EQ(ReadFileBytes(ini_), "[FILE]\r\nINPUT=" + folder + "\r\nOUTPUT=" + folder + "/A1\r\n");
  // Qt's own display of the bytes cannot name a folder to be made.
  QString replaced = QString::fromUtf8(folder.c_str()) + "/new";
  script.Then("FolderChooser", ChooseInDialog(replaced)).Then("QMessageBox", [](QWidget* question) {
    Press(question, QMessageBox::Yes);
  });
  Find<QPushButton>(*window, "BtnOutput")->click();
  EXPECT_TRUE(std::filesystem::is_directory(folder + "/new"));
  script.Then("FolderChooser", ChooseInDialog(QString::fromStdString(temp_.path()) + "/\uFFFD/x"))
      .Then("QMessageBox", [](QWidget* question) { Press(question, QMessageBox::Yes); })
      .Then("QMessageBox", [](QWidget* error) { Press(error, QMessageBox::Ok); });
  Find<QPushButton>(*window, "BtnOutput")->click();
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp_.path()), {}), 2);
  EXPECT_TRUE(script.Done());
  EXPECT_TRUE(script.Unexpected().empty());
}

// Qt's file models leave out a name that is no UTF-8; the chooser's tree lists it decoded, chooses
// it as its bytes, and opens at the working folder (a CP932 one too), scrolled into view.
TEST_F(MainWindowTest, TheChooserListsCp932FoldersAndOpensAtTheWorkingFolderInView) {
  std::string folder = MakeMeshFolder("\x92\x6e\x90\x7d");  // 地図 as Windows spells it
  for (int i = 0; i < 60; ++i)
    std::filesystem::create_directories(temp_.Path("f" + std::to_string(i)));
  std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(folder + "/b2");
  {
    FolderChooser chooser;
    std::filesystem::current_path(before);
    chooser.show();
    EXPECT_EQ(chooser.HighlightedFolder(), folder + "/b2");
    EXPECT_EQ(Find<QLineEdit>(chooser, "EdPath")->text(),
              QString::fromStdString(temp_.Path("地図/b2")));
    auto* tree = Find<QTreeView>(chooser, "TreeFolders");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex())); },
        20000));

    QModelIndex shown = tree->currentIndex().parent();
    EXPECT_EQ(shown.data().toString(), "地図");
    QStringList rows;
    for (int row = 0; row < tree->model()->rowCount(shown); ++row) {
      rows << tree->model()->index(row, 0, shown).data().toString();
    }
    EXPECT_EQ(rows, (QStringList{"a0", "A1", "b2"}));  // no hidden folder, no file
    chooser.hide();  // modal: gone before the chooser the script below drives
  }

  // Highlighting the folder names it in the field; OK chooses its bytes.
  ModalScript script;
  script.Then("FolderChooser", [&](QWidget* modal) {
    auto* chosen_tree = Find<QTreeView>(*modal, "TreeFolders");
    auto* chooser_shown = static_cast<FolderChooser*>(modal);
    ASSERT_TRUE(chooser_shown->OpenAt(folder + "/A1"));
    chosen_tree->setCurrentIndex(chosen_tree->currentIndex().parent());
    EXPECT_EQ(Find<QLineEdit>(*modal, "EdPath")->text(),
              QString::fromStdString(temp_.Path("地図")));
    Press(modal, QDialogButtonBox::Ok);
  });
  EXPECT_EQ(FolderChooser::Choose(nullptr), folder);
  EXPECT_TRUE(script.Unexpected().empty());
}

TEST_F(MainWindowTest, AFourDigitCountIsShownWholeInTheStatusPlace) {
  auto window = Start();
  auto* status = Find<QLabel>(*window, "LblStatus");
  emit window->Job()->Status("5000／5000");
  EXPECT_EQ(status->text(), "5000／5000");
  EXPECT_LE(status->geometry().right(), 451);  // left of the mesh list
  EXPECT_LE(QFontMetrics(status->font()).horizontalAdvance(status->text()), status->width());
}

}  // namespace
}  // namespace sheetwright::ui
