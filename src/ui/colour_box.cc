#include "ui/colour_box.h"

#include <QColorDialog>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <algorithm>

#include "settings/colour_names.h"
#include "ui/text.h"

namespace sheetwright::ui {
namespace {

constexpr int kValueRole = Qt::UserRole;
constexpr QSize kSwatchSize(16, 12);
constexpr int kSmallestPixels = 7;

QIcon Swatch(const QColor& colour) {
  QPixmap pixmap(kSwatchSize);
  pixmap.fill(colour);
  QPainter painter(&pixmap);
  painter.setPen(Qt::black);
  painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
  return QIcon(pixmap);
}

ColorValue ValueFromQColor(const QColor& colour) {
  return picture::ToColorRef({static_cast<uint8_t>(colour.red()),
                              static_cast<uint8_t>(colour.green()),
                              static_cast<uint8_t>(colour.blue())});
}

}  // namespace

QColor ColourBox::SwatchColor(ColorValue value) {
  picture::Rgb rgb = picture::ResolveColor(value);
  return QColor(rgb.r, rgb.g, rgb.b);
}

ColourBox::ColourBox(QWidget* parent) : QComboBox(parent) {
  setIconSize(kSwatchSize);
  addItem(Swatch(SwatchColor(custom_)), "カスタム...", QVariant::fromValue(custom_));
  for (const settings::ListedColor& listed : settings::ListedColors()) {
    addItem(Swatch(SwatchColor(listed.value)), FromUtf8(listed.caption),
            QVariant::fromValue(listed.value));
  }
  setCurrentIndex(kCustomEntry);
  // The listed colour shown last, for a custom colour not yet set.
  connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index > kCustomEntry) before_custom_ = itemData(index, kValueRole).value<ColorValue>();
  });
  // activated, not currentIndexChanged: choosing the custom entry again must open the dialog again.
  connect(this, &QComboBox::activated, this, &ColourBox::OnActivated);
}

QRect ColourBox::NameRect() const {
  QStyleOptionComboBox option;
  initStyleOption(&option);
  QRect field =
      style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  // Some styles let the field run under the arrow.
  QRect arrow =
      style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this);
  if (arrow.isValid()) field.setRight(std::min(field.right(), arrow.left() - 1));
  return field.adjusted(kSwatchSize.width() + 3, 0, 0, 0);
}

QFont ColourBox::NameFont() const {
  QFont name_font = font();
  int pixels = QFontInfo(name_font).pixelSize();
  int room = NameRect().width();
  while (pixels > kSmallestPixels &&
         QFontMetrics(name_font).horizontalAdvance(currentText()) > room) {
    name_font.setPixelSize(--pixels);
  }
  return name_font;
}

// The frame and arrow as the style draws them, then the swatch and the whole name.
void ColourBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  option.currentText.clear();
  option.currentIcon = QIcon();
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  QRect name = NameRect();
  QRect swatch(QPoint(name.left() - kSwatchSize.width() - 2, name.center().y() - 5), kSwatchSize);
  painter.drawPixmap(swatch.topLeft(), itemIcon(currentIndex()).pixmap(kSwatchSize));
  painter.setFont(NameFont());
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
  painter.drawText(name, Qt::AlignLeft | Qt::AlignVCenter, currentText());
}

ColorValue ColourBox::Color() const { return currentData(kValueRole).value<ColorValue>(); }

void ColourBox::SetColor(ColorValue value) {
  for (int i = 0; i < count(); ++i) {
    if (itemData(i, kValueRole).value<ColorValue>() == value) {
      setCurrentIndex(i);
      return;
    }
  }
  SetCustomColor(value);
  setCurrentIndex(kCustomEntry);
}

void ColourBox::SetCustomColor(ColorValue value) {
  custom_ = value;
  custom_set_ = true;
  setItemData(kCustomEntry, QVariant::fromValue(value), kValueRole);
  setItemIcon(kCustomEntry, Swatch(SwatchColor(value)));
}

void ColourBox::OnActivated(int index) {
  if (index == kCustomEntry) ChooseCustomColor();
  emit ColorChosen(Color());
}

// The dialog starts at the custom colour once there is one; before that at the listed colour the
// box showed (the layer's colour), never at the unset custom colour's black.
void ColourBox::ChooseCustomColor() {
  QColor seed = SwatchColor(custom_set_ ? custom_ : before_custom_);
  QColorDialog::setCustomColor(0, seed);
  QColorDialog dialog(seed, this);
  dialog.setObjectName("ColorDialog");
  dialog.setOption(QColorDialog::DontUseNativeDialog);
  if (dialog.exec() == QDialog::Accepted) SetCustomColor(ValueFromQColor(dialog.selectedColor()));
  setCurrentIndex(kCustomEntry);
}

void ColourBox::keyPressEvent(QKeyEvent* event) {
  bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && currentIndex() == kCustomEntry) {
    ChooseCustomColor();
    emit ColorChosen(Color());
    return;
  }
  QComboBox::keyPressEvent(event);
}

}  // namespace sheetwright::ui
