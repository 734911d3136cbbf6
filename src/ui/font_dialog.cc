#include "ui/font_dialog.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <cmath>

#include "picture/font_library.h"
#include "settings/layer_styles.h"
#include "ui/colour_box.h"
#include "ui/text.h"

namespace sheetwright::ui {
namespace {

constexpr uint8_t kShiftJisCharset = 128;
constexpr uint8_t kAnsiCharset = 0;
constexpr uint8_t kDefaultCharset = 1;

// The chooser lists installed families only: a reference face shows as its substitute.
QFont ShownFont(const picture::LabelFont& font) {
  QString family = FromUtf8(font.face_name);
  if (!QFontDatabase::hasFamily(family)) {
    family = FromUtf8(picture::FontLibrary::SubstituteFace(font.face_name));
  }
  QFont shown(family);
  shown.setPointSize(settings::FontSizeFromHeight(font.height));
  shown.setBold(font.style & picture::kBold);
  shown.setItalic(font.style & picture::kItalic);
  shown.setUnderline(font.style & picture::kUnderline);
  shown.setStrikeOut(font.style & picture::kStrikeOut);
  return shown;
}

}  // namespace

uint8_t CharsetOf(const QString& family) {
  QList<QFontDatabase::WritingSystem> systems = QFontDatabase::writingSystems(family);
  if (systems.contains(QFontDatabase::Japanese)) return kShiftJisCharset;
  if (systems.contains(QFontDatabase::Latin)) return kAnsiCharset;
  return kDefaultCharset;
}

FontDialog::FontDialog(const picture::LabelFont& font, QWidget* parent)
    : QDialog(parent), original_(font) {
  setWindowTitle("フォント");
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  chooser_ = new QFontDialog(this);
  chooser_->setObjectName("FontChooser");
  chooser_->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
  chooser_->setWindowFlags(Qt::Widget);  // a part of this dialog, not a window of its own
  chooser_->setCurrentFont(ShownFont(font));
  shown_family_ = chooser_->currentFont().family();

  colour_ = new ColourBox(this);
  colour_->setObjectName("ColFont");
  colour_->SetColor(font.color);
  connect(colour_, &ColourBox::ColorChosen, this, [this] { colour_chosen_ = true; });

  auto* colour_row = new QHBoxLayout;
  auto* colour_label = new QLabel("色(&C):", this);
  colour_label->setBuddy(colour_);
  colour_row->addWidget(colour_label);
  colour_row->addWidget(colour_);
  colour_row->addStretch();

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(chooser_);
  layout->addLayout(colour_row);
  layout->addWidget(buttons);
}

picture::LabelFont FontDialog::Result() const {
  QFont chosen = chooser_->currentFont();
  picture::LabelFont result = original_;
  // The chooser shows an installed substitute for a reference face; unless another face was
  // chosen, the label keeps the name it had, and with it its character set.
  if (chosen.family() != shown_family_) {
    result.face_name = ToUtf8(chosen.family());
    result.charset = CharsetOf(chosen.family());
  }
  int points = static_cast<int>(std::lround(chosen.pointSizeF()));
  if (points != settings::FontSizeFromHeight(original_.height)) {
    result.height = settings::FontHeightFromSize(points);
  }
  result.style = (chosen.weight() > QFont::Normal ? picture::kBold : 0) |
                 (chosen.italic() ? picture::kItalic : 0) |
                 (chosen.underline() ? picture::kUnderline : 0) |
                 (chosen.strikeOut() ? picture::kStrikeOut : 0);
  if (colour_chosen_) result.color = colour_->Color();
  return result;
}

std::optional<picture::LabelFont> FontDialog::Choose(const picture::LabelFont& font,
                                                     const QString& object_name, QWidget* parent) {
  FontDialog dialog(font, parent);
  dialog.setObjectName(object_name);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Result();
}

}  // namespace sheetwright::ui
