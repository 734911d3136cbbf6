// The "出力形式" dialog: which files a conversion from the window stores for each mesh, one check
// box per format with what it is for. OK needs at least one format; Cancel changes nothing. The
// window keeps the choice in the settings file (FILE/FORMAT).
#pragma once

#include <QDialog>
#include <optional>
#include <vector>

#include "conversion/output_files.h"

class QCheckBox;
class QPushButton;

namespace sheetwright::ui {

class FormatDialog : public QDialog {
  Q_OBJECT

 public:
  FormatDialog(const std::vector<conversion::OutputFormat>& chosen, QWidget* parent = nullptr);

  // The ticked formats, in the order of conversion::kAllFormats.
  std::vector<conversion::OutputFormat> Result() const;
  // The check box of a format (object name "ChkFormat" + its name: "ChkFormatdxf2010").
  QCheckBox* Box(conversion::OutputFormat format) const;

  // Runs the dialog; nullopt on Cancel.
  static std::optional<std::vector<conversion::OutputFormat>> Choose(
      const std::vector<conversion::OutputFormat>& chosen, QWidget* parent);

 private:
  std::vector<QCheckBox*> boxes_;
  QPushButton* ok_;
};

}  // namespace sheetwright::ui
