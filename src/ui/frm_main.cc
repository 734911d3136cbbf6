#include "ui/frm_main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <stdexcept>

#include "settings/settings_file.h"
#include "ui/folder_chooser.h"
#include "ui/layer_panel.h"
#include "ui/mesh_list.h"
#include "ui/text.h"

namespace sheetwright::ui {
namespace {

constexpr QSize kClientSize(896, 664);

void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
  QMessageBox box(icon, "Sheetwright", text, QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace

void ShowMessage(QWidget* parent, const QString& text) {
  ShowBox(parent, QMessageBox::NoIcon, text);
}

void ShowError(QWidget* parent, const QString& text) {
  ShowBox(parent, QMessageBox::Critical, text);
}

TFrmMain::TFrmMain(std::string settings_path, std::string program_folder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowMinimizeButtonHint),
      settings_path_(std::move(settings_path)),
      program_folder_(std::move(program_folder)) {
  setObjectName("FrmMain");
  setWindowTitle("Sheetwright");
  setFont(ReferenceFont("ＭＳ Ｐゴシック", 12));
  setFixedSize(kClientSize);

  QPushButton* go = AddButton("BtnGo", "変換実行", QRect(8, 8, 89, 33));
  QPushButton* end = AddButton("BtnEnd", "終了", QRect(104, 8, 89, 33));
  QPushButton* input = AddButton("BtnInput", "入力ファイル", QRect(8, 52, 89, 29));
  QPushButton* output = AddButton("BtnOutput", "出力ファイル", QRect(8, 88, 89, 33));
  QPushButton* all_sel = AddButton("BtnAllSel", "全選択", QRect(736, 8, 89, 33));
  QPushButton* all_cls = AddButton("BtnAllCls", "全解除", QRect(736, 48, 89, 33));
  QPushButton* prev = AddButton("BtnPrev", "プレビュー実行", QRect(736, 84, 89, 37));
  connect(go, &QPushButton::clicked, this, &TFrmMain::BtnGoClick);
  connect(end, &QPushButton::clicked, this, &TFrmMain::BtnEndClick);
  connect(input, &QPushButton::clicked, this, &TFrmMain::BtnInputClick);
  connect(output, &QPushButton::clicked, this, &TFrmMain::BtnOutputClick);
  connect(all_sel, &QPushButton::clicked, this, &TFrmMain::BtnAllSelClick);
  connect(all_cls, &QPushButton::clicked, this, &TFrmMain::BtnAllClsClick);
  connect(prev, &QPushButton::clicked, this, &TFrmMain::BtnPrevClick);

  status_ = new QLabel(this);
  status_->setObjectName("LblStatus");
  status_->setFont(ReferenceFont("ＭＳ ゴシック", 24));
  QPalette red = status_->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  status_->setPalette(red);
  status_->move(344, 8);
  status_->setFixedHeight(24);

  input_ = new QLineEdit(this);
  input_->setObjectName("EdInput");
  input_->setGeometry(100, 60, 341, 20);
  input_->setReadOnly(true);
  output_ = new QLineEdit(this);
  output_->setObjectName("EdOutput");
  output_->setGeometry(100, 96, 341, 20);
  output_->setReadOnly(true);

  meshes_ = new MeshList(this);
  meshes_->setGeometry(452, 8, 273, 113);

  layers_ = new LayerPanel(styles_, this);
  layers_->setGeometry(4, 124, 885, 533);

  if (QScreen* shown_on = screen()) {
    move(shown_on->availableGeometry().center() - rect().center());
  }
}

TFrmMain::~TFrmMain() = default;

QPushButton* TFrmMain::AddButton(const char* name, const QString& caption, QRect geometry) {
  auto* button = new QPushButton(caption, this);
  button->setObjectName(name);
  button->setGeometry(geometry);
  return button;
}

QString TFrmMain::InputFolder() const { return input_->text(); }
QString TFrmMain::OutputFolder() const { return output_->text(); }

void TFrmMain::FormCreate() {
  settings::StartupSettings startup;
  try {
    startup = settings::LoadSettings(settings_path_, program_folder_, styles_);
  } catch (const std::runtime_error& e) {
    // A file that is there but cannot be read: the window opens with the defaults, and the End
    // button will not overwrite the file it could not read.
    layers_->Refresh();
    ShowError(this, FromUtf8(e.what()));
    return;
  }
  layers_->Refresh();
  input_->setText(FromUtf8(startup.input_folder));
  output_->setText(FromUtf8(startup.output_folder));
  if (startup.error) {
    ShowError(this, FromUtf8(*startup.error));
    return;
  }
  if (!input_->text().isEmpty()) meshes_->Rebuild(input_->text());
}

bool TFrmMain::SaveStyles() {
  try {
    settings::SaveSettings(settings_path_, styles_);
    return true;
  } catch (const settings::SettingsWriteError& e) {
    ShowError(this, FromUtf8(e.what()));
    return false;
  }
}

void TFrmMain::BtnEndClick() {
  if (!SaveStyles()) return;  // the user may try again
  ending_ = true;
  close();
  QApplication::quit();
}

void TFrmMain::closeEvent(QCloseEvent* event) {
  // A close from the window manager (Alt+F4, a task bar menu) cannot always be refused here, so it
  // ends the program as the End button does, saving the settings. If they cannot be saved, the
  // user decides whether to end without them.
  if (ending_) {
    event->accept();
    return;
  }
  try {
    settings::SaveSettings(settings_path_, styles_);
  } catch (const settings::SettingsWriteError& e) {
    QMessageBox question(QMessageBox::Warning, "Sheetwright",
                         FromUtf8(e.what()) + "\n\n設定を保存せずに終了しますか？",
                         QMessageBox::Yes | QMessageBox::No, this);
    question.setObjectName("QuestionEndUnsaved");
    question.setDefaultButton(QMessageBox::No);
    if (question.exec() != QMessageBox::Yes) {
      event->ignore();
      return;
    }
  }
  ending_ = true;
  event->accept();
  QApplication::quit();
}

bool TFrmMain::ChooseFolder(QLineEdit* field, std::string_view key) {
  std::optional<QString> chosen;
  try {
    chosen = FolderChooser::Choose(this);
  } catch (const FolderCreationError& e) {
    ShowError(this, FromUtf8(e.what()));
    return false;
  }
  if (!chosen) return false;
  field->setText(*chosen);
  try {
    settings::StoreFolder(settings_path_, key, ToUtf8(*chosen));
  } catch (const settings::SettingsWriteError& e) {
    ShowError(this, FromUtf8(e.what()));
    return false;
  }
  return true;
}

void TFrmMain::BtnInputClick() {
  if (ChooseFolder(input_, "INPUT") && !input_->text().isEmpty()) {
    meshes_->Rebuild(input_->text());
  }
}

void TFrmMain::BtnOutputClick() { ChooseFolder(output_, "OUTPUT"); }

void TFrmMain::BtnAllSelClick() { meshes_->SetAllTicked(true); }
void TFrmMain::BtnAllClsClick() { meshes_->SetAllTicked(false); }

void TFrmMain::BtnGoClick() { ShowMessage(this, "変換はまだこの版では実行できません。"); }
void TFrmMain::BtnPrevClick() { ShowMessage(this, "プレビューはまだこの版では実行できません。"); }

}  // namespace sheetwright::ui
