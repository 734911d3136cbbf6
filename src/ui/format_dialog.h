// The "出力形式" dialog: which files a conversion from the window stores for each mesh, one check
// box per format with what it is for: the drawings, and the map data itself as a GeoPackage
// (MESH.gpkg, as the converter's -f gpkg writes it). OK needs at least one format; Cancel changes
// nothing. The window keeps the choice in the settings file (FILE/FORMAT, "wmf,dxf,gpkg").
#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/output_files.h"

class QCheckBox;
class QPushButton;

namespace sheetwright::ui {

struct FormatChoice {
  std::vector<conversion::OutputFormat> drawings{conversion::OutputFormat::kWmf};
  bool gpkg = false;  // the map data as MESH.gpkg
  bool operator==(const FormatChoice&) const = default;
};

// The settings file's list: the drawings as conversion::ParseFormatList reads them and "gpkg" for
// the data; a list that names the data alone asks for no drawing.
FormatChoice ParseFormatChoice(std::string_view text);
std::string FormatChoiceText(const FormatChoice& choice);

class FormatDialog : public QDialog {
  Q_OBJECT

 public:
  explicit FormatDialog(const FormatChoice& chosen, QWidget* parent = nullptr);

  // The ticked formats, the drawings in the order of conversion::kAllFormats.
  FormatChoice Result() const;
  // The check box of a format (object name "ChkFormat" + its name: "ChkFormatdxf2010").
  QCheckBox* Box(conversion::OutputFormat format) const;
  QCheckBox* GpkgBox() const { return gpkg_; }  // "ChkFormatgpkg"

  // Runs the dialog; nullopt on Cancel.
  static std::optional<FormatChoice> Choose(const FormatChoice& chosen, QWidget* parent);

 private:
  std::vector<QCheckBox*> boxes_;
  QCheckBox* gpkg_;
  QPushButton* ok_;
};

}  // namespace sheetwright::ui
