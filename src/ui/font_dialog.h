// The font dialog of a name row ("FontDialogGai", ...): the face, the size in points, bold, italic,
// underline and strike-out, and the text colour, with a sample of Japanese text in the chosen font
// and colour, preset with the row's label font. The face list holds the stored face first, under
// its own name with the installed stand-in beside it ("ＭＳ Ｐゴシック (IPAPGothic)"), then every
// installed family. Bold and italic can be chosen for every face; where a face has no such cut the
// drawing synthesizes it. OK without a change gives the font back exactly (face name, height,
// style, character set, colour, pitch); otherwise it takes the face, the size and the styles as
// shown, the colour only when the user chose one, and the character set only when the face
// changed (it follows the face's script, see CharsetOf). The pitch is kept. Cancel changes nothing.
// A size too large for the sample's box (map labels reach 150 pt) is shown scaled down to fit,
// and the line under the sample says so.
#pragma once

#include <QDialog>
#include <optional>

#include "picture/label_font.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;

namespace sheetwright::ui {

class ColourBox;

class FontDialog : public QDialog {
  Q_OBJECT

 public:
  explicit FontDialog(const picture::LabelFont& font, QWidget* parent = nullptr);

  // The label font that OK gives, from the dialog's current state.
  picture::LabelFont Result() const;

  QComboBox* Face() const { return face_; }
  QSpinBox* Size() const { return size_; }
  QCheckBox* Bold() const { return bold_; }
  QCheckBox* Italic() const { return italic_; }
  QCheckBox* Underline() const { return underline_; }
  QCheckBox* StrikeOut() const { return strike_out_; }
  ColourBox* Colour() const { return colour_; }
  QLabel* Sample() const { return sample_; }
  // Says the size the sample shows: "60 pt を 27 pt に縮小して表示" when the chosen size is too
  // large for the sample's box, else "10 pt".
  QLabel* SampleSize() const { return sample_size_; }

  // Selects an installed family, as a user would.
  void SelectFace(const QString& family);

  // Runs the dialog; nullopt on Cancel.
  static std::optional<picture::LabelFont> Choose(const picture::LabelFont& font,
                                                  const QString& object_name, QWidget* parent);

 private:
  QCheckBox* AddStyle(const QString& caption, bool on);
  void UpdateSample();

  picture::LabelFont original_;
  QComboBox* face_;
  QSpinBox* size_;
  QCheckBox *bold_, *italic_, *underline_, *strike_out_;
  ColourBox* colour_;
  QLabel* sample_;
  QLabel* sample_size_;
  bool colour_chosen_ = false;
};

// The character set of a face as the metafile names it: Shift_JIS (128) for a face that writes
// Japanese, ANSI (0) for one that writes Latin, else the default set (1).
uint8_t CharsetOf(const QString& family);

}  // namespace sheetwright::ui
