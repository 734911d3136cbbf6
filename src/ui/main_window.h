// The main window "Sheetwright": the folder fields and the mesh list at the top, the layer panel
// below, and the buttons that start a conversion, a preview or the end. It edits the layer style
// table that the settings file fills at start and saves at the end; the table and the font library
// belong to the caller and outlive the window. The folder fields keep their folders as bytes (a
// folder copied from Windows is CP932) and show them decoded. The window is fixed
// at 896 x 664 (pixels at 96 dpi), centred, with no close button; on a screen too small for it
// (1366 x 768 at 125 %) it takes what the screen has, title bar on screen, and scrolls.
#pragma once

#include <QPointer>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "conversion/output_files.h"
#include "picture/font_library.h"
#include "settings/layer_styles.h"
#include "ui/conversion_job.h"
#include "ui/format_dialog.h"

class QLabel;
class QMessageBox;
class QLineEdit;
class QPushButton;
class QScrollArea;

namespace sheetwright::ui {

// Where a window of `client` size goes on a screen whose free area is `available`, with the window
// manager's `frame` around it: centred, shrunk to what the screen has, so that its title bar and
// its bottom edge are both on screen. The client area's geometry.
QRect FitToScreen(QSize client, QMargins frame, QRect available);

class LayerPanel;
class MeshList;
class MessageList;
class PreviewWindow;

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  // `settings_path` is where the settings are read and written, `program_folder` the folder
  // fields' fallback when nothing is stored (the user's home folder in the program). `styles`
  // and `fonts` must outlive the window: its conversion threads read them until it is gone.
  MainWindow(std::string settings_path, std::string program_folder,
             settings::LayerStyleTable& styles, picture::FontLibrary& fonts,
             QWidget* parent = nullptr);

  // The start: applies the settings file to the layer table and the folder fields, then builds
  // the mesh list from the input folder with its first row current. A file that cannot be read
  // or a bad font colour is reported in a message box and the list is not built.
  void FormCreate();

  settings::LayerStyleTable& Styles() { return styles_; }
  MeshList* Meshes() const { return meshes_; }
  PreviewWindow* Preview() const { return preview_; }
  ConversionJob* Job() const { return job_; }
  MessageList* Messages() const { return messages_; }
  // The folders as the fields show them, and as bytes.
  QString InputFolder() const;
  QString OutputFolder() const;
  const std::vector<conversion::OutputFormat>& Formats() const { return formats_.drawings; }
  bool DataWanted() const { return formats_.gpkg; }      // MESH.gpkg with the drawings
  const MapChoice& Map() const { return formats_.map; }  // one map of the ticked meshes
  const std::string& InputPath() const { return input_path_; }

  // The end asked for by a signal (SIGTERM, SIGINT, SIGHUP): the run stops and its temporary
  // files go, open dialogs close, the settings are saved as for a window-manager close (an error
  // only goes to the standard error); then Ended(128 + `signal_number`).
  void EndBySignal(int signal_number);

 signals:
  // The program is to end with `status` (the program's main() ends its event loop with it).
  void Ended(int status);

 public slots:
  void EndClicked();
  void ChooseInputFolder();
  void ChooseOutputFolder();
  void TickAll();
  void UntickAll();
  void ConvertTicked();
  void PreviewHighlighted();
  // The "出力形式..." dialog; OK stores the choice under FILE/FORMAT and FILE/MAP.
  void ChooseFormats();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Writes every layer setting; on failure shows "<path> に書き込めません" and returns false.
  bool SaveStyles();
  // Runs the folder chooser, stores the choice under FILE/`key` and then shows it in `field`.
  // False when the chooser was cancelled or failed or the store failed: nothing changed, the
  // error is shown.
  bool ChooseFolder(QLineEdit* field, std::string& path, std::string_view key);
  void SetFolder(QLineEdit* field, std::string& path, const std::string& folder);
  void ShowMissing(bool input, bool output);
  bool OutputFolderReady();
  QWidget* DialogParent();
  // Asks before a batch whose drawings would all be blank; true to go on.
  bool BlankDrawingsWanted();
  void ShowStatus(const QString& text);
  QPushButton* AddButton(const char* name, const QString& caption, QRect geometry);

  // What a running conversion leaves enabled: a preview disables every input control, a batch
  // only what would start another conversion, change a folder or end the program.
  enum class Running { kNothing, kPreview, kBatch };
  void SetRunning(Running running);
  void ConnectJob();
  void ShowDataMessage(const QString& mesh, const QString& text);
  void ConversionFinished(bool completed);
  void StartRun(Running running);
  bool ConfirmEndDuringRun();

  std::string settings_path_;
  std::string program_folder_;
  std::string input_path_, output_path_;
  settings::LayerStyleTable& styles_;
  bool ending_ = false;
  QPointer<QMessageBox> end_question_;  // "変換中です..." while it is open
  Running running_ = Running::kNothing;
  bool silenced_ = false;           // the user chose to see no further messages of this run
  std::optional<QString> failure_;  // the error that ended the run, shown once it has ended
  SheetPtr map_overview_;           // the map the batch drew, shown once it has ended
  FormatChoice formats_;

  QScrollArea* scroll_;
  QWidget* page_;  // the controls, at their places; the scroll area's widget
  ConversionJob* job_;
  PreviewWindow* preview_;
  MessageList* messages_;
  QLabel* status_;
  QLabel* progress_;
  QLabel* missing_;
  QLineEdit* input_;
  QLineEdit* output_;
  MeshList* meshes_;
  LayerPanel* layers_;
};

}  // namespace sheetwright::ui
