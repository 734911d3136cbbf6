// The main window "Sheetwright": the folder fields and the mesh list at the top, the layer panel
// below, and the buttons that start a conversion, a preview or the end. It owns the layer style
// table that the panel edits and that the settings file fills at start and saves at the end.
// The window is fixed at 896 x 664 (pixels at 96 dpi), centred, with no close button.
#pragma once

#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "conversion/output_files.h"
#include "picture/font_library.h"
#include "settings/layer_styles.h"
#include "ui/conversion_job.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace sheetwright::ui {

class LayerPanel;
class MeshList;
class MessageList;
class TFrmPreview;

class TFrmMain : public QWidget {
  Q_OBJECT

 public:
  // `settings_path` is where the settings are read and written, `program_folder` the folder
  // fields' fallback (both the executable's folder in the program).
  TFrmMain(std::string settings_path, std::string program_folder, QWidget* parent = nullptr);
  ~TFrmMain() override;

  // The start: applies the settings file to the layer table and the folder fields, then builds
  // the mesh list from the input folder with its first row current. A file that cannot be read
  // or a bad font colour is reported in a message box and the list is not built.
  void FormCreate();

  settings::LayerStyleTable& Styles() { return styles_; }
  MeshList* Meshes() const { return meshes_; }
  TFrmPreview* Preview() const { return preview_; }
  ConversionJob* Job() const { return job_; }
  MessageList* Messages() const { return messages_; }
  QString InputFolder() const;
  QString OutputFolder() const;
  const std::vector<conversion::OutputFormat>& Formats() const { return formats_; }

 public slots:
  void BtnEndClick();
  void BtnInputClick();
  void BtnOutputClick();
  void BtnAllSelClick();
  void BtnAllClsClick();
  void BtnGoClick();
  void BtnPrevClick();
  // The "出力形式..." dialog; OK stores the choice under FILE/FORMAT.
  void BtnFormatClick();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Writes every layer setting; on failure shows "<path> に書き込めません" and returns false.
  bool SaveStyles();
  // Runs the folder chooser, shows the choice in `field` and stores it under FILE/`key`. False
  // when the chooser was cancelled or failed (nothing changed) or the store failed (the field
  // shows the new folder all the same); the error is shown.
  bool ChooseFolder(QLineEdit* field, std::string_view key);
  QPushButton* AddButton(const char* name, const QString& caption, QRect geometry);

  // What a running conversion leaves enabled: a preview disables every input control, a batch
  // only what would start another conversion, change a folder or end the program.
  enum class Running { kNothing, kPreview, kBatch };
  void SetRunning(Running running);
  void ConnectJob();
  void ShowDataMessage(const QString& mesh, const QString& text);
  void ConversionFinished(bool completed);
  void StartRun(Running running);

  std::string settings_path_;
  std::string program_folder_;
  settings::LayerStyleTable styles_;
  picture::FontLibrary fonts_;
  bool ending_ = false;
  Running running_ = Running::kNothing;
  bool silenced_ = false;           // the user chose to see no further messages of this run
  std::optional<QString> failure_;  // the error that ended the run, shown once it has ended
  std::vector<conversion::OutputFormat> formats_{conversion::OutputFormat::kWmf};

  ConversionJob* job_;
  TFrmPreview* preview_;
  MessageList* messages_;
  QLabel* status_;
  QLabel* progress_;
  QLineEdit* input_;
  QLineEdit* output_;
  MeshList* meshes_;
  LayerPanel* layers_;
};

// The program's message boxes: caption "Sheetwright", one OK button.
void ShowMessage(QWidget* parent, const QString& text);
void ShowError(QWidget* parent, const QString& text);

}  // namespace sheetwright::ui
