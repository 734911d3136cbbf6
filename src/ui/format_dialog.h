// The "出力形式" dialog: which files a conversion from the window stores for each mesh, one check
// box per format with what it is for: the drawings, and the map data itself as a GeoPackage
// (MESH.gpkg, as the converter's -f gpkg writes it), and besides them one map of all the ticked
// meshes, each placed where its sheet lies, printed at a true scale into one file in the output
// folder (conversion::WriteMosaic). OK needs at least one format per mesh or the map and, when the
// map is wanted, a file name whose format takes a map; Cancel changes nothing. The window keeps the
// choice in the settings file (FILE/FORMAT, "wmf,dxf,gpkg", and FILE/MAP, see MapChoiceText).
#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/output_files.h"
#include "output/geometry/print_layout.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace sheetwright::ui {

// One map of all the ticked meshes that a batch stored, drawn after them.
struct MapChoice {
  bool wanted = false;
  std::string file = "map.pdf";  // UTF-8, in the output folder; its extension chooses the format
  int scale = 2500;              // 1:scale, one of output::IsPrintScale
  output::Paper paper = output::Paper::kAuto;
  output::Orientation orientation = output::Orientation::kAuto;
  bool operator==(const MapChoice&) const = default;
};

// The settings file's FILE/MAP text: "ON" or "", the scale, the paper ("A0".."A4", "auto"), the
// orientation ("portrait", "landscape", "auto") and the file name, comma-separated, the name last
// (it may hold commas): "ON,5000,A3,auto,map.pdf". A field that does not read keeps its default.
MapChoice ParseMapChoice(std::string_view text);
std::string MapChoiceText(const MapChoice& choice);

// The map formats offered: those of "pdf", "svg", "png" that conversion::MosaicRefusal accepts.
std::vector<std::string> MapFormats();

struct FormatChoice {
  std::vector<conversion::OutputFormat> drawings{conversion::OutputFormat::kWmf};
  bool gpkg = false;  // the map data as MESH.gpkg
  MapChoice map = {};
  bool operator==(const FormatChoice&) const = default;
};

// The settings file's list: the drawings as conversion::ParseFormatList reads them and "gpkg" for
// the data; a list that names the data alone asks for no drawing, and so does an empty one beside
// a wanted map (`map_text`, FILE/MAP): the map alone.
FormatChoice ParseFormatChoice(std::string_view text, std::string_view map_text = {});
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
  // The map's controls: the check box "GrpMap" and "CmbMapFormat", "CmbMapScale", "CmbMapPaper",
  // "CmbMapOrientation", "EdMapFile" inside it.
  QGroupBox* MapBox() const { return map_; }

  // Runs the dialog; nullopt on Cancel.
  static std::optional<FormatChoice> Choose(const FormatChoice& chosen, QWidget* parent);

 private:
  std::vector<QCheckBox*> boxes_;
  // The map as the controls give it; its file named by the chosen format's extension.
  MapChoice MapResult() const;
  // Why OK cannot take the map as it stands, or "" when it can.
  QString MapProblem() const;

  QCheckBox* gpkg_;
  QGroupBox* map_;
  QComboBox* map_format_;
  QComboBox* map_scale_;
  QComboBox* map_paper_;
  QComboBox* map_orientation_;
  QLineEdit* map_file_;
  QLabel* map_problem_;
  QPushButton* ok_;
};

}  // namespace sheetwright::ui
