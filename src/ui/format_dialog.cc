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

}  // namespace

FormatDialog::FormatDialog(const std::vector<OutputFormat>& chosen, QWidget* parent)
    : QDialog(parent) {
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
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  // A conversion that stores nothing is no choice.
  auto update = [this] { ok_->setEnabled(!Result().empty()); };
  for (QCheckBox* box : boxes_) connect(box, &QCheckBox::toggled, this, update);
  update();
}

std::vector<OutputFormat> FormatDialog::Result() const {
  std::vector<OutputFormat> formats;
  for (size_t i = 0; i < boxes_.size(); ++i) {
    if (boxes_[i]->isChecked()) formats.push_back(conversion::kAllFormats[i]);
  }
  return formats;
}

QCheckBox* FormatDialog::Box(OutputFormat format) const {
  return boxes_[static_cast<size_t>(format)];
}

std::optional<std::vector<OutputFormat>> FormatDialog::Choose(
    const std::vector<OutputFormat>& chosen, QWidget* parent) {
  FormatDialog dialog(chosen, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Result();
}

}  // namespace sheetwright::ui
