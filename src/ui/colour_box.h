// A colour box: the drop-down colour choice of every coloured layer row and of the font dialog. It
// offers 21 entries, each a swatch and a name: the custom entry "カスタム..." and the twenty listed
// colours of settings/colour_names.h. Choosing the custom entry (from the list, or Enter while it
// is selected) opens the colour dialog seeded with the custom colour (before one is set: with the
// listed colour the box showed); OK makes the chosen colour
// the custom colour, Cancel keeps it, and either way the custom entry is then selected. The box's
// value is always the colour of its selected entry. The closed box draws the swatch and the whole
// name, in a smaller font where the name would not fit the box (the boxes are 89 pixels wide).
#pragma once

#include <QComboBox>

#include "picture/colour.h"

namespace sheetwright::ui {

using picture::ColorValue;

class ColourBox : public QComboBox {
  Q_OBJECT

 public:
  static constexpr int kCustomEntry = 0;

  explicit ColourBox(QWidget* parent = nullptr);

  ColorValue Color() const;
  ColorValue CustomColor() const { return custom_; }

  // Selects the first entry, counting from the custom entry, whose colour equals `value`; any
  // other value becomes the custom colour. So black selects the custom entry while that is black.
  // Any value is held unchanged, system colours included (their swatch shows the resolved colour).
  void SetColor(ColorValue value);

  // The swatch an entry shows for `value`.
  static QColor SwatchColor(ColorValue value);

  // Where the closed box writes the selected name, and the font it writes it in.
  QRect NameRect() const;
  QFont NameFont() const;

 signals:
  // The user chose an entry (the custom entry too, whether its dialog was confirmed or not).
  void ColorChosen(sheetwright::picture::ColorValue value);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void OnActivated(int index);
  void ChooseCustomColor();
  void SetCustomColor(ColorValue value);

  ColorValue custom_ = 0;
  bool custom_set_ = false;  // by SetColor or the dialog
  ColorValue before_custom_ = 0;
};

}  // namespace sheetwright::ui
