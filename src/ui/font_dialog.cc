#include "ui/font_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
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
constexpr int kStoredFace = 0;  // the face list's first entry: the face as stored

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

  face_ = new QComboBox(this);
  face_->setObjectName("CmbFace");
  QString stored = FromUtf8(font.face_name);
  QString stand_in = FromUtf8(picture::FontLibrary::SubstituteFace(font.face_name));
  face_->addItem(stand_in == stored || QFontDatabase::hasFamily(stored)
                     ? stored
                     : QString("%1 (%2)").arg(stored, stand_in),
                 stand_in);
  for (const QString& family : QFontDatabase::families()) face_->addItem(family, family);

  size_ = new QSpinBox(this);
  size_->setObjectName("SpnSize");
  size_->setRange(1, 500);
  size_->setValue(settings::FontSizeFromHeight(font.height));

  colour_ = new ColourBox(this);
  colour_->setObjectName("ColFont");
  colour_->SetColor(font.color);
  connect(colour_, &ColourBox::ColorChosen, this, [this] {
    colour_chosen_ = true;
    UpdateSample();
  });

  sample_ = new QLabel(QStringLiteral("あア亜Aa"), this);
  sample_->setObjectName("LblSample");
  sample_->setFixedSize(320, 90);
  sample_->setAlignment(Qt::AlignCenter);
  sample_->setAutoFillBackground(true);
  sample_->setFrameStyle(QFrame::Panel | QFrame::Sunken);

  auto* styles = new QHBoxLayout;
  bold_ = AddStyle("太字(&B)", font.style & picture::kBold);
  italic_ = AddStyle("斜体(&I)", font.style & picture::kItalic);
  underline_ = AddStyle("下線(&U)", font.style & picture::kUnderline);
  strike_out_ = AddStyle("取り消し線(&K)", font.style & picture::kStrikeOut);
  for (QCheckBox* box : {bold_, italic_, underline_, strike_out_}) styles->addWidget(box);

  auto* form = new QFormLayout;
  form->addRow("フォント名(&F):", face_);
  form->addRow("サイズ(&S):", size_);
  form->addRow("スタイル:", styles);
  form->addRow("色(&C):", colour_);
  form->addRow("サンプル:", sample_);
  sample_size_ = new QLabel(this);
  sample_size_->setObjectName("LblSampleSize");
  form->addRow("", sample_size_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);

  connect(face_, &QComboBox::currentIndexChanged, this, &FontDialog::UpdateSample);
  connect(size_, &QSpinBox::valueChanged, this, &FontDialog::UpdateSample);
  UpdateSample();
}

QCheckBox* FontDialog::AddStyle(const QString& caption, bool on) {
  auto* box = new QCheckBox(caption, this);
  box->setChecked(on);
  connect(box, &QCheckBox::toggled, this, &FontDialog::UpdateSample);
  return box;
}

void FontDialog::SelectFace(const QString& family) {
  int index = face_->findData(family);
  if (index > kStoredFace) face_->setCurrentIndex(index);
}

// The sample in the chosen font (points at the screen's resolution) and colour.
void FontDialog::UpdateSample() {
  QFont shown(face_->currentData().toString());
  shown.setPointSize(size_->value());
  shown.setBold(bold_->isChecked());
  shown.setItalic(italic_->isChecked());
  shown.setUnderline(underline_->isChecked());
  shown.setStrikeOut(strike_out_->isChecked());
  // Scaled down until the whole text stands inside the box.
  QSize room = sample_->contentsRect().size() - QSize(8, 4);
  double points = size_->value();
  for (int tries = 0; tries < 50; ++tries) {
    QSize needed = QFontMetrics(shown).size(Qt::TextSingleLine, sample_->text());
    if (needed.width() <= room.width() && needed.height() <= room.height()) break;
    double scale =
        std::min(double(room.width()) / needed.width(), double(room.height()) / needed.height());
    points = std::max(1.0, std::floor(points * std::min(scale, 0.95)));
    shown.setPointSizeF(points);
    if (points <= 1.0) break;
  }
  sample_->setFont(shown);
  sample_size_->setText(
      points < size_->value()
          ? QString("%1 pt を %2 pt に縮小して表示").arg(size_->value()).arg(points)
          : QString("%1 pt").arg(size_->value()));
  QPalette palette = sample_->palette();
  palette.setColor(QPalette::Window, Qt::white);
  palette.setColor(QPalette::WindowText, ColourBox::SwatchColor(colour_->Color()));
  sample_->setPalette(palette);
}

picture::LabelFont FontDialog::Result() const {
  picture::LabelFont result = original_;
  if (face_->currentIndex() != kStoredFace) {
    QString family = face_->currentData().toString();
    result.face_name = ToUtf8(family);
    result.charset = CharsetOf(family);
  }
  if (size_->value() != settings::FontSizeFromHeight(original_.height)) {
    result.height = settings::FontHeightFromSize(size_->value());
  }
  result.style =
      (original_.style &
       ~(picture::kBold | picture::kItalic | picture::kUnderline | picture::kStrikeOut)) |
      (bold_->isChecked() ? picture::kBold : 0) | (italic_->isChecked() ? picture::kItalic : 0) |
      (underline_->isChecked() ? picture::kUnderline : 0) |
      (strike_out_->isChecked() ? picture::kStrikeOut : 0);
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
