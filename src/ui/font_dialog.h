// The font dialog of a name row ("FontDialogGai", ...): Qt's font chooser (face, style, size,
// underline, strike-out) with the text colour beside it, in one dialog, preset with the row's label
// font. OK takes the face, the height, bold (weight above 400), italic, underline and strike-out;
// the colour only when the user chose one; the character set only when the face changed (it follows
// the face's script, see CharsetOf). The pitch is kept. Cancel changes nothing.
#pragma once

#include <QDialog>
#include <QFont>
#include <optional>

#include "picture/label_font.h"

class QFontDialog;

namespace sheetwright::ui {

class ColourBox;

class FontDialog : public QDialog {
  Q_OBJECT

 public:
  FontDialog(const picture::LabelFont& font, QWidget* parent = nullptr);

  // The label font that OK gives, from the dialog's current state.
  picture::LabelFont Result() const;

  QFontDialog* Chooser() const { return chooser_; }
  ColourBox* Colour() const { return colour_; }

  // Runs the dialog; nullopt on Cancel.
  static std::optional<picture::LabelFont> Choose(const picture::LabelFont& font,
                                                  const QString& object_name, QWidget* parent);

 private:
  picture::LabelFont original_;
  QString shown_family_;  // the family the chooser showed for the original face
  QFontDialog* chooser_;
  ColourBox* colour_;
  bool colour_chosen_ = false;
};

// The character set of a face as the metafile names it: Shift_JIS (128) for a face that writes
// Japanese, ANSI (0) for one that writes Latin, else the default set (1).
uint8_t CharsetOf(const QString& family);

}  // namespace sheetwright::ui
