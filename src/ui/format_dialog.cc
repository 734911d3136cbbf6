#include "ui/format_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>
#include <iterator>

#include "conversion/mosaic.h"
#include "ui/text.h"

namespace sheetwright::ui {
namespace {

using conversion::OutputFormat;

// What each format is for, in the order of conversion::kAllFormats.
constexpr const char* kCaptions[] = {
    "WMF  (メタファイル: Office 文書・従来の利用先)",
    "SVG  (描画ソフトで編集: レイヤと文字を保持)",
    "PNG  (画像: 2000 × 1500 ピクセル)",
    "PDF  (印刷・配布)",
    "DXF  (R12, Shift_JIS: 国産 CAD ほかすべての CAD)",
    "DXF 2010  (UTF-8: AutoCAD など新しい CAD)",
};
static_assert(std::size(kCaptions) == std::size(conversion::kAllFormats));
constexpr std::string_view kGpkgName = "gpkg";

constexpr int kMapScales[] = {500, 1000, 2500, 5000, 10000};
constexpr std::string_view kPaperNames[] = {"A0", "A1", "A2", "A3", "A4", "auto"};
constexpr const char* kPaperCaptions[] = {"A0", "A1", "A2", "A3", "A4", "自動"};
// In the order of output::Orientation.
constexpr std::string_view kOrientationNames[] = {"auto", "portrait", "landscape"};
constexpr const char* kOrientationCaptions[] = {"自動", "縦", "横"};

// The next comma-separated field of `text` from `start`, which moves past it.
std::string_view NextField(std::string_view text, size_t& start) {
  size_t comma = std::min(text.find(',', start), text.size());
  std::string_view field =
      text.substr(std::min(start, text.size()), comma - std::min(start, text.size()));
  start = comma + 1;
  return field;
}

std::string Extension(const std::string& file) {
  size_t dot = file.rfind('.');
  if (dot == std::string::npos || file.find_first_of("/\\", dot) != std::string::npos) return "";
  return QString::fromStdString(file.substr(dot + 1)).toLower().toStdString();
}

void SelectData(QComboBox* box, const QVariant& data) {
  int index = box->findData(data);
  if (index >= 0) box->setCurrentIndex(index);
}

}  // namespace

MapChoice ParseMapChoice(std::string_view text) {
  MapChoice choice;
  if (text.empty()) return choice;
  size_t start = 0;
  choice.wanted = NextField(text, start) == "ON";
  std::string_view scale = NextField(text, start);
  int number = 0;
  if (std::from_chars(scale.data(), scale.data() + scale.size(), number).ec == std::errc() &&
      output::IsPrintScale(number)) {
    choice.scale = number;
  }
  if (auto paper = output::ParsePaper(NextField(text, start))) choice.paper = *paper;
  if (auto orientation = output::ParseOrientation(NextField(text, start))) {
    choice.orientation = *orientation;
  }
  if (start < text.size()) choice.file = std::string(text.substr(start));
  return choice;
}

std::string MapChoiceText(const MapChoice& choice) {
  return std::string(choice.wanted ? "ON" : "") + "," + std::to_string(choice.scale) + "," +
         std::string(kPaperNames[static_cast<size_t>(choice.paper)]) + "," +
         std::string(kOrientationNames[static_cast<size_t>(choice.orientation)]) + "," +
         choice.file;
}

std::vector<std::string> MapFormats() {
  std::vector<std::string> formats;
  for (const char* format : {"pdf", "svg", "png"}) {
    if (!conversion::MosaicRefusal(std::string("map.") + format)) formats.emplace_back(format);
  }
  return formats;
}

FormatChoice ParseFormatChoice(std::string_view text, std::string_view map_text) {
  FormatChoice choice;
  choice.map = ParseMapChoice(map_text);
  choice.drawings = conversion::ParseFormatList(text);
  bool drawing_named = false;
  for (size_t start = 0; start <= text.size();) {
    size_t comma = std::min(text.find(',', start), text.size());
    std::string_view name = text.substr(start, comma - start);
    if (name == kGpkgName) choice.gpkg = true;
    if (conversion::ParseOutputFormat(name)) drawing_named = true;
    start = comma + 1;
  }
  if ((choice.gpkg || (choice.map.wanted && text.empty())) && !drawing_named) {
    choice.drawings.clear();
  }
  return choice;
}

std::string FormatChoiceText(const FormatChoice& choice) {
  std::string text = choice.drawings.empty() ? "" : conversion::FormatListText(choice.drawings);
  if (choice.gpkg) text += (text.empty() ? "" : ",") + std::string(kGpkgName);
  return text;
}

FormatDialog::FormatDialog(const FormatChoice& chosen_formats, QWidget* parent) : QDialog(parent) {
  const std::vector<OutputFormat>& chosen = chosen_formats.drawings;
  setObjectName("FormatDialog");
  setWindowTitle("出力形式");
  auto* layout = new QVBoxLayout(this);
  for (size_t i = 0; i < std::size(conversion::kAllFormats); ++i) {
    OutputFormat format = conversion::kAllFormats[i];
    auto* box = new QCheckBox(FromUtf8(kCaptions[i]), this);
    box->setObjectName("ChkFormat" + FromUtf8(conversion::FormatName(format)));
    box->setChecked(std::find(chosen.begin(), chosen.end(), format) != chosen.end());
    layout->addWidget(box);
    boxes_.push_back(box);
  }
  gpkg_ = new QCheckBox("GeoPackage  (地図データ: GIS 用、メッシュごとに 1 ファイル)", this);
  gpkg_->setObjectName("ChkFormatgpkg");
  gpkg_->setChecked(chosen_formats.gpkg);
  layout->addWidget(gpkg_);

  map_ = new QGroupBox("チェックしたメッシュ全体を 1 枚の地図に (縮尺どおりに印刷)", this);
  map_->setObjectName("GrpMap");
  map_->setCheckable(true);
  map_->setChecked(chosen_formats.map.wanted);
  auto* form = new QFormLayout(map_);
  map_format_ = new QComboBox(map_);
  map_format_->setObjectName("CmbMapFormat");
  for (const std::string& format : MapFormats()) {
    map_format_->addItem(FromUtf8(format).toUpper(), FromUtf8(format));
  }
  SelectData(map_format_, FromUtf8(Extension(chosen_formats.map.file)));
  map_scale_ = new QComboBox(map_);
  map_scale_->setObjectName("CmbMapScale");
  for (int scale : kMapScales) map_scale_->addItem(QString("1:%1").arg(scale), scale);
  SelectData(map_scale_, chosen_formats.map.scale);
  map_paper_ = new QComboBox(map_);
  map_paper_->setObjectName("CmbMapPaper");
  for (size_t k = 0; k < std::size(kPaperCaptions); ++k) {
    map_paper_->addItem(FromUtf8(kPaperCaptions[k]), static_cast<int>(k));
  }
  SelectData(map_paper_, static_cast<int>(chosen_formats.map.paper));
  map_orientation_ = new QComboBox(map_);
  map_orientation_->setObjectName("CmbMapOrientation");
  for (size_t k = 0; k < std::size(kOrientationCaptions); ++k) {
    map_orientation_->addItem(FromUtf8(kOrientationCaptions[k]), static_cast<int>(k));
  }
  SelectData(map_orientation_, static_cast<int>(chosen_formats.map.orientation));
  map_file_ = new QLineEdit(FromUtf8(chosen_formats.map.file), map_);
  map_file_->setObjectName("EdMapFile");
  map_problem_ = new QLabel(map_);
  map_problem_->setObjectName("LblMapProblem");
  map_problem_->setWordWrap(true);
  form->addRow("形式", map_format_);
  form->addRow("縮尺", map_scale_);
  form->addRow("用紙", map_paper_);
  form->addRow("向き", map_orientation_);
  form->addRow("ファイル名 (出力フォルダ内)", map_file_);
  form->addRow(map_problem_);
  layout->addWidget(map_);
  // The format gives the file name its extension.
  connect(map_format_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index < 0) return;
    QString name = map_file_->text();
    int dot = name.lastIndexOf('.');
    if (dot > 0) name.truncate(dot);
    map_file_->setText((name.isEmpty() ? "map" : name) + "." +
                       map_format_->currentData().toString());
  });

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  // A conversion that stores nothing is no choice, nor a map that cannot be written.
  auto update = [this] {
    QString problem = MapProblem();
    map_problem_->setText(problem);
    FormatChoice choice = Result();
    ok_->setEnabled((!choice.drawings.empty() || choice.gpkg || choice.map.wanted) &&
                    problem.isEmpty());
  };
  for (QCheckBox* box : boxes_) connect(box, &QCheckBox::toggled, this, update);
  connect(gpkg_, &QCheckBox::toggled, this, update);
  connect(map_, &QGroupBox::toggled, this, update);
  connect(map_file_, &QLineEdit::textChanged, this, update);
  update();
}

MapChoice FormatDialog::MapResult() const {
  return {map_->isChecked(), ToUtf8(map_file_->text().trimmed()), map_scale_->currentData().toInt(),
          static_cast<output::Paper>(map_paper_->currentData().toInt()),
          static_cast<output::Orientation>(map_orientation_->currentData().toInt())};
}

QString FormatDialog::MapProblem() const {
  if (!map_->isChecked()) return {};
  std::string file = MapResult().file;
  if (file.empty() || file.find_first_of("/\\") != std::string::npos) {
    return "ファイル名を入力してください (フォルダは出力フォルダです)";
  }
  if (auto refusal = conversion::MosaicRefusal(file)) return FromUtf8(*refusal);
  return {};
}

FormatChoice FormatDialog::Result() const {
  FormatChoice choice{{}, gpkg_->isChecked(), MapResult()};
  for (size_t i = 0; i < boxes_.size(); ++i) {
    if (boxes_[i]->isChecked()) choice.drawings.push_back(conversion::kAllFormats[i]);
  }
  return choice;
}

QCheckBox* FormatDialog::Box(OutputFormat format) const {
  return boxes_[static_cast<size_t>(format)];
}

std::optional<FormatChoice> FormatDialog::Choose(const FormatChoice& chosen, QWidget* parent) {
  FormatDialog dialog(chosen, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Result();
}

}  // namespace sheetwright::ui
