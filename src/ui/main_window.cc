#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <cstdio>
#include <stdexcept>

#include "conversion/output_files.h"
#include "settings/ini_file.h"
#include "settings/settings_file.h"
#include "ui/folder_bytes.h"
#include "ui/folder_chooser.h"
#include "ui/format_dialog.h"
#include "ui/layer_panel.h"
#include "ui/mesh_list.h"
#include "ui/message_box.h"
#include "ui/message_list.h"
#include "ui/preview_canvas.h"
#include "ui/preview_window.h"
#include "ui/text.h"

namespace sheetwright::ui {
namespace {

constexpr QSize kClientSize(896, 664);
// The status sits between x 344 and the mesh list at 452: a longer count gets a smaller font.
constexpr int kStatusWidth = 452 - 344 - 2;
constexpr int kStatusPixels = 24;
// The frame a window manager puts around the window, before it has said: a title bar and borders.
constexpr QMargins kFrameGuess(4, 30, 4, 4);

// FILE/MAP: the one map of the ticked meshes (MapChoiceText).
constexpr std::string_view kMapKey = "MAP";

// The stored map choice; "" when there is none or the file cannot be read (the start-up has
// said so then).
std::string StoredMapChoice(const std::string& settings_path) {
  try {
    std::optional<settings::IniFile> file = settings::IniFile::Load(settings_path);
    return file ? file->GetString("FILE", kMapKey) : std::string();
  } catch (const std::exception&) {
    return {};
  }
}

// A format's name as the progress line says it.
QString FormatCaption(const QString& name) {
  if (name == "gpkg") return "GeoPackage";
  if (name == "dxf2010") return "DXF 2010";
  return name.toUpper();
}

}  // namespace

QRect FitToScreen(QSize client, QMargins frame, QRect available) {
  QRect room = available.marginsRemoved(frame);
  QSize size = client.boundedTo(room.size());
  QPoint at(room.left() + (room.width() - size.width()) / 2,
            room.top() + (room.height() - size.height()) / 2);
  return QRect(at, size);
}

MainWindow::MainWindow(std::string settings_path, std::string program_folder,
                       settings::LayerStyleTable& styles, picture::FontLibrary& fonts,
                       QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowMinimizeButtonHint),
      settings_path_(std::move(settings_path)),
      program_folder_(std::move(program_folder)),
      styles_(styles) {
  setObjectName("FrmMain");
  setWindowTitle("Sheetwright");
  setFont(ReferenceFont("ＭＳ Ｐゴシック", 12));
  // The controls stand on a page of the classic size; the window shows as much of it as the screen
  // has room for.
  page_ = new QWidget;
  page_->setObjectName("Page");
  page_->setFixedSize(kClientSize);
  scroll_ = new QScrollArea(this);
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setWidget(page_);
  QRect fitted(QPoint(0, 0), kClientSize);
  if (QScreen* shown_on = screen()) {
    QRect available = shown_on->availableGeometry();
    fitted = FitToScreen(kClientSize, kFrameGuess, available);
    // A page cut short gets its scroll bar beside it, not over it, where the screen has room.
    int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    QSize wanted = kClientSize;
    if (fitted.height() < kClientSize.height()) wanted.rwidth() += bar;
    if (fitted.width() < kClientSize.width()) wanted.rheight() += bar;
    fitted = FitToScreen(wanted, kFrameGuess, available);
  }
  setFixedSize(fitted.size());
  scroll_->setGeometry(rect());

  QPushButton* go = AddButton("BtnGo", "変換実行", QRect(8, 8, 89, 33));
  QPushButton* end = AddButton("BtnEnd", "終了", QRect(104, 8, 89, 33));
  QPushButton* input = AddButton("BtnInput", "入力ファイル", QRect(8, 52, 89, 29));
  QPushButton* output = AddButton("BtnOutput", "出力ファイル", QRect(8, 88, 89, 33));
  QPushButton* all_sel = AddButton("BtnAllSel", "全選択", QRect(736, 8, 89, 33));
  QPushButton* all_cls = AddButton("BtnAllCls", "全解除", QRect(736, 48, 89, 33));
  QPushButton* prev = AddButton("BtnPrev", "プレビュー実行", QRect(736, 84, 89, 37));
  connect(go, &QPushButton::clicked, this, &MainWindow::ConvertTicked);
  connect(end, &QPushButton::clicked, this, &MainWindow::EndClicked);
  connect(input, &QPushButton::clicked, this, &MainWindow::ChooseInputFolder);
  connect(output, &QPushButton::clicked, this, &MainWindow::ChooseOutputFolder);
  connect(all_sel, &QPushButton::clicked, this, &MainWindow::TickAll);
  connect(all_cls, &QPushButton::clicked, this, &MainWindow::UntickAll);
  connect(prev, &QPushButton::clicked, this, &MainWindow::PreviewHighlighted);
  // Beyond the classic layout, in the free space right of the End button.
  QPushButton* format = AddButton("BtnFormat", "出力形式...", QRect(200, 8, 89, 24));
  connect(format, &QPushButton::clicked, this, &MainWindow::ChooseFormats);

  status_ = new QLabel(page_);
  status_->setObjectName("LblStatus");
  status_->setFont(ReferenceFont("ＭＳ ゴシック", kStatusPixels));
  QPalette red = status_->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  status_->setPalette(red);
  status_->setGeometry(344, 8, kStatusWidth, kStatusPixels);

  input_ = new QLineEdit(page_);
  input_->setObjectName("EdInput");
  input_->setGeometry(100, 60, 341, 20);
  input_->setReadOnly(true);
  output_ = new QLineEdit(page_);
  output_->setObjectName("EdOutput");
  output_->setGeometry(100, 96, 341, 20);
  output_->setReadOnly(true);

  meshes_ = new MeshList(page_);
  meshes_->setGeometry(452, 8, 273, 113);

  layers_ = new LayerPanel(styles_, page_);
  layers_->setGeometry(4, 124, 885, 533);

  // Beyond the classic layout, in the free space under the status: how far a mesh is.
  progress_ = new QLabel(page_);
  progress_->setObjectName("LblProgress");
  progress_->setGeometry(200, 34, 241, 16);
  progress_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  // Beyond the classic layout, under the folder fields: a stored folder that is gone.
  missing_ = new QLabel(page_);
  missing_->setObjectName("LblMissing");
  missing_->setGeometry(100, 116, 341, 10);
  QFont small = missing_->font();
  small.setPixelSize(10);
  missing_->setFont(small);
  missing_->setPalette(red);

  job_ = new ConversionJob(styles_, fonts, this);
  preview_ = new PreviewWindow(fonts, this);
  messages_ = new MessageList(this);
  ConnectJob();

  move(fitted.topLeft() - QPoint(kFrameGuess.left(), kFrameGuess.top()));
}

void MainWindow::ConnectJob() {
  connect(job_, &ConversionJob::MessageLogged, messages_, &MessageList::Add);
  connect(job_, &ConversionJob::MessageShown, this, &MainWindow::ShowDataMessage);
  connect(job_, &ConversionJob::Progress, this, [this](const QString& mesh, int row, int rows) {
    progress_->setText(QString("%1  %2／%3").arg(mesh).arg(row).arg(rows));
  });
  // The drawing is made; its files take their time too.
  connect(job_, &ConversionJob::Writing, this, [this](const QString& mesh, const QString& format) {
    progress_->setText(QString("%1  %2 を書き込み中").arg(mesh, FormatCaption(format)));
  });
  connect(job_, &ConversionJob::Status, this, &MainWindow::ShowStatus);
  connect(job_, &ConversionJob::Converted, this, [this](const QString&, SheetPtr sheet) {
    if (running_ == Running::kPreview) {
      preview_->ShowDrawing(std::move(sheet));
    } else {
      preview_->PaintBox()->ShowPicture(std::move(sheet));
    }
  });
  connect(job_, &ConversionJob::Failed, this, [this](const QString& mesh, const QString& error) {
    failure_ = mesh.isEmpty() ? InJapanese(error) : InJapanese(error) + "\nメッシュ: " + mesh;
  });
  connect(job_, &ConversionJob::MapDrawn, this,
          [this](const QString&, SheetPtr overview) { map_overview_ = std::move(overview); });
  connect(job_, &ConversionJob::Finished, this, &MainWindow::ConversionFinished);
  connect(preview_, &PreviewWindow::Closed, this, [this] { SetRunning(Running::kNothing); });
  connect(meshes_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
    if (running_ == Running::kBatch) {
      job_->SetTicked(meshes_->row(item), item->checkState() == Qt::Checked);
    }
  });
}

void MainWindow::SetRunning(Running running) {
  running_ = running;
  bool idle = running == Running::kNothing;
  for (const char* name : {"BtnGo", "BtnPrev", "BtnEnd", "BtnInput", "BtnOutput", "BtnFormat"}) {
    findChild<QWidget*>(name)->setEnabled(idle);
  }
  // While a batch runs, 変換実行 becomes 中止 in the same place.
  auto* go = findChild<QPushButton*>("BtnGo");
  go->setText(running == Running::kBatch ? "中止" : "変換実行");
  go->setEnabled(idle || running == Running::kBatch);
  // A batch reads ticks and layer settings as it reaches them; a preview takes them as they are.
  bool editable = running != Running::kPreview;
  for (QWidget* control : std::initializer_list<QWidget*>{meshes_, layers_, input_, output_,
                                                          findChild<QWidget*>("BtnAllSel"),
                                                          findChild<QWidget*>("BtnAllCls")}) {
    control->setEnabled(editable);
  }
  if (idle) progress_->clear();
}

// The whole count in the status's place: the font shrinks until the text fits.
void MainWindow::ShowStatus(const QString& text) {
  QFont font = status_->font();
  for (int pixels = kStatusPixels; pixels > 8; --pixels) {
    font.setPixelSize(pixels);
    if (QFontMetrics(font).horizontalAdvance(text) <= kStatusWidth) break;
  }
  status_->setFont(font);
  status_->setText(text);
}

// The stay-on-top preview would hide a dialog of the main window: while it shows, dialogs open
// over it.
QWidget* MainWindow::DialogParent() {
  return preview_->isVisible() ? static_cast<QWidget*>(preview_) : this;
}

void MainWindow::ShowDataMessage(const QString&, const QString& text) {
  if (ending_) return;
  QMessageBox box(QMessageBox::NoIcon, "Sheetwright", text, QMessageBox::Ok, DialogParent());
  box.setCheckBox(new QCheckBox("以降のメッセージを表示しない"));
  KeepTitleWhole(box);
  box.exec();
  bool silence = box.checkBox()->isChecked();
  silenced_ = silenced_ || silence;
  job_->Acknowledge(silence);
}

void MainWindow::ConversionFinished(bool completed) {
  std::optional<QString> failure = std::exchange(failure_, std::nullopt);
  SheetPtr map = std::exchange(map_overview_, nullptr);
  progress_->clear();
  if (ending_) return;
  // A close asked meanwhile has nothing left to stop: its question goes, the window stays.
  if (end_question_) end_question_->done(QMessageBox::No);
  bool batch = running_ == Running::kBatch;
  if (batch) {
    if (!completed && !failure) ShowStatus(status_->text() + " 中止");
    SetRunning(Running::kNothing);
    if (completed && map) {
      // The map the batch drew, in the preview, which then closes as after a preview.
      SetRunning(Running::kPreview);
      preview_->ShowConverting();
      preview_->ShowDrawing(std::move(map));
      preview_->ConversionEnded();
    }
  } else if (completed) {
    preview_->ConversionEnded();  // "閉じる" once the drawing is on screen
  } else {
    preview_->CloseClicked();  // back to idle, every control enabled
  }
  if (silenced_) {
    // Above the preview, which stays on top.
    messages_->setWindowFlag(Qt::WindowStaysOnTopHint, preview_->isVisible());
    messages_->show();
    messages_->raise();
  }
  if (failure) {
    ShowError(DialogParent(), *failure);
  } else if (completed && batch) {
    ShowMessage(DialogParent(), "END");
  }
}

QPushButton* MainWindow::AddButton(const char* name, const QString& caption, QRect geometry) {
  auto* button = new QPushButton(caption, page_);
  button->setObjectName(name);
  button->setGeometry(geometry);
  return button;
}

QString MainWindow::InputFolder() const { return input_->text(); }
QString MainWindow::OutputFolder() const { return output_->text(); }

void MainWindow::FormCreate() {
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
  // A file without a stored folder gives the fallback (the user's home folder in the program,
  // never the program's own folder); without a file the fields stay empty.
  SetFolder(input_, input_path_, startup.input_folder);
  SetFolder(output_, output_path_, startup.output_folder);
  ShowMissing(startup.input_missing, startup.output_missing);
  formats_ = ParseFormatChoice(startup.formats, StoredMapChoice(settings_path_));
  if (startup.foreign) {
    ShowError(this, ShownText(settings_path_) +
                        " は設定ファイルではありません。既定の設定で起動し、このファイルは"
                        "書き換えません");
  }
  if (startup.error) {
    ShowError(this, FromUtf8(*startup.error));
    return;
  }
  if (!input_path_.empty()) meshes_->Rebuild(input_path_);
}

// A stored folder that is gone stays in its field; a line under the fields says so.
void MainWindow::ShowMissing(bool input, bool output) {
  QString text = input && output ? "入力フォルダと出力フォルダがありません"
                 : input         ? "入力フォルダがありません"
                 : output        ? "出力フォルダがありません"
                                 : QString();
  missing_->setText(text);
}

void MainWindow::SetFolder(QLineEdit* field, std::string& path, const std::string& folder) {
  path = folder;
  field->setText(ShownText(folder));
}

bool MainWindow::SaveStyles() {
  try {
    settings::SaveSettings(settings_path_, styles_);
    return true;
  } catch (const settings::NotSettingsFileError& e) {
    ShowMessage(this, FromUtf8(e.what()));  // said, and the end goes on
    return true;
  } catch (const settings::SettingsWriteError& e) {
    ShowError(this, FromUtf8(e.what()));
    return false;
  }
}

void MainWindow::EndClicked() {
  if (!SaveStyles()) return;  // the user may try again
  ending_ = true;
  close();
  QApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // A close from the window manager (Alt+F4, a task bar menu) cannot always be refused here, so it
  // ends the program as the End button does, saving the settings. If they cannot be saved, the
  // user decides whether to end without them.
  if (ending_) {
    event->accept();
    return;
  }
  if (running_ != Running::kNothing && !ConfirmEndDuringRun()) {
    event->ignore();
    return;
  }
  try {
    settings::SaveSettings(settings_path_, styles_);
  } catch (const settings::NotSettingsFileError&) {
    // Said at the start: the file is left alone.
  } catch (const settings::SettingsWriteError& e) {
    if (!Ask(this, InJapanese(FromUtf8(e.what())) + "\n\n設定を保存せずに終了しますか？",
             "QuestionEndUnsaved")) {
      event->ignore();
      return;
    }
  }
  ending_ = true;
  event->accept();
  QApplication::quit();
}

// A close during a batch or a preview: asked, and on Yes the run stops and the preview goes.
bool MainWindow::ConfirmEndDuringRun() {
  QMessageBox question(QMessageBox::Question, "Sheetwright",
                       "変換中です。変換を中止して終了しますか？",
                       QMessageBox::Yes | QMessageBox::No, DialogParent());
  question.setObjectName("QuestionEndRunning");
  question.setDefaultButton(QMessageBox::No);
  KeepTitleWhole(question);
  end_question_ = &question;
  bool yes = question.exec() == QMessageBox::Yes;
  end_question_ = nullptr;
  if (!yes) return false;
  job_->Cancel();
  preview_->hide();
  return true;
}

void MainWindow::EndBySignal(int signal_number) {
  ending_ = true;
  job_->CancelAndWait();  // its temporary files are gone once its thread has ended
  for (QWidget* shown : QApplication::topLevelWidgets()) {
    if (auto* dialog = qobject_cast<QDialog*>(shown); dialog && dialog->isVisible()) {
      dialog->reject();
    }
  }
  preview_->hide();
  try {
    settings::SaveSettings(settings_path_, styles_);
  } catch (const settings::SettingsWriteError& e) {
    std::fprintf(stderr, "sheetwright: %s\n", e.what());
  }
  close();
  emit Ended(128 + signal_number);
}

bool MainWindow::ChooseFolder(QLineEdit* field, std::string& path, std::string_view key) {
  std::optional<std::string> chosen;
  try {
    chosen = FolderChooser::Choose(this);
  } catch (const FolderCreationError& e) {
    ShowError(this, FromUtf8(e.what()));
    return false;
  }
  if (!chosen) return false;
  try {
    settings::StoreFolder(settings_path_, key, *chosen);
  } catch (const settings::SettingsWriteError& e) {
    // The field keeps the folder the list and a batch use.
    ShowError(this, FromUtf8(e.what()) + "\nフォルダの指定は保存されず、変更されていません");
    return false;
  }
  SetFolder(field, path, *chosen);
  ShowMissing(!IsFolder(input_path_), !IsFolder(output_path_));
  return true;
}

void MainWindow::ChooseInputFolder() {
  if (ChooseFolder(input_, input_path_, "INPUT") && !input_path_.empty()) {
    meshes_->Rebuild(input_path_);
  }
}

void MainWindow::ChooseOutputFolder() { ChooseFolder(output_, output_path_, "OUTPUT"); }

void MainWindow::TickAll() { meshes_->SetAllTicked(true); }
void MainWindow::UntickAll() { meshes_->SetAllTicked(false); }

void MainWindow::StartRun(Running running) {
  SetRunning(running);
  messages_->Clear();
  messages_->hide();
  messages_->SetSaveFolder(QFile::decodeName(QByteArray::fromStdString(output_path_)));
  silenced_ = false;
  failure_.reset();
}

bool MainWindow::BlankDrawingsWanted() {
  // The data is written whatever the layers show.
  return (formats_.drawings.empty() && !formats_.map.wanted) || settings::AnyLayerOn(styles_) ||
         Ask(this, "すべてのレイヤーがオフです。白紙の図面を保存しますか？", "QuestionBlank");
}

// A batch into an output folder that is gone asks before making it.
bool MainWindow::OutputFolderReady() {
  if (IsFolder(output_path_)) return true;
  if (!Ask(this, "出力フォルダ " + ShownText(output_path_) + " がありません。作成しますか？",
           "QuestionMakeOutput")) {
    return false;
  }
  if (!MakeFolder(output_path_)) {
    ShowError(this, "ディレクトリを作成できません");
    return false;
  }
  ShowMissing(!IsFolder(input_path_), false);
  return true;
}

void MainWindow::ConvertTicked() {
  if (running_ == Running::kBatch) {
    // Stops after the mesh in hand's store or at once, its temporary files removed; what was
    // stored stays, and the status keeps how many.
    findChild<QPushButton*>("BtnGo")->setEnabled(false);
    job_->Cancel();
    return;
  }
  if (running_ != Running::kNothing || !BlankDrawingsWanted() || !OutputFolderReady()) return;
  conversion::BatchRequest request;
  request.input_folder = input_path_;
  request.output_folder = output_path_;
  request.meshes = meshes_->Names();
  request.formats = formats_.drawings;
  if (formats_.gpkg) request.gis.formats = {gis::DataFormat::kGpkg};
  std::vector<bool> ticks;
  for (int row = 0; row < meshes_->count(); ++row) ticks.push_back(meshes_->IsTicked(row));
  std::optional<conversion::MosaicRequest> map;
  if (formats_.map.wanted) {
    map.emplace();
    map->path = conversion::JoinFolder(output_path_, formats_.map.file);
    map->input_folder = input_path_;
    map->print.scale = formats_.map.scale;
    map->print.paper = formats_.map.paper;
    map->print.orientation = formats_.map.orientation;
  }
  StartRun(Running::kBatch);
  job_->StartBatch(std::move(request), std::move(ticks), std::move(map));
}

void MainWindow::ChooseFormats() {
  std::optional<FormatChoice> chosen = FormatDialog::Choose(formats_, this);
  if (!chosen) return;
  formats_ = *chosen;
  try {
    settings::StoreFormats(settings_path_, FormatChoiceText(formats_));
    settings::StoreFolder(settings_path_, kMapKey, MapChoiceText(formats_.map));
  } catch (const settings::SettingsWriteError& e) {
    ShowError(this, FromUtf8(e.what()));  // the choice holds for this session all the same
  }
}

void MainWindow::PreviewHighlighted() {
  if (running_ != Running::kNothing) return;
  int row = meshes_->currentRow();
  if (row < 0) {
    ShowMessage(this, "プレビュー対象のメッシュが選択されていません.");
    return;
  }
  StartRun(Running::kPreview);
  preview_->ShowConverting();
  job_->StartPreview(conversion::JoinFolder(input_path_, meshes_->Name(row)));
}

}  // namespace sheetwright::ui
