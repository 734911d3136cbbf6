#include "ui/format_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

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

}  // namespace

FormatChoice ParseFormatChoice(std::string_view text) {
  FormatChoice choice;
  choice.drawings = conversion::ParseFormatList(text);
  bool drawing_named = false;
  for (size_t start = 0; start <= text.size();) {
    size_t comma = std::min(text.find(',', start), text.size());
    std::string_view name = text.substr(start, comma - start);
    if (name == kGpkgName) choice.gpkg = true;
    if (conversion::ParseOutputFormat(name)) drawing_named = true;
    start = comma + 1;
  }
  if (choice.gpkg && !drawing_named) choice.drawings.clear();
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
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  // A conversion that stores nothing is no choice.
  auto update = [this] { ok_->setEnabled(!Result().drawings.empty() || Result().gpkg); };
  for (QCheckBox* box : boxes_) connect(box, &QCheckBox::toggled, this, update);
  connect(gpkg_, &QCheckBox::toggled, this, update);
  update();
}

FormatChoice FormatDialog::Result() const {
  FormatChoice choice{{}, gpkg_->isChecked()};
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
