#include "ui/font_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "base/common_test_util.h"
#include "ui/colour_box.h"
#include "ui/ui_test_util.h"

namespace sheetwright::ui {
namespace {

using picture::LabelFont;
using test_util::ModalScript;
using test_util::Press;

LabelFont Customised() {
  LabelFont font;
  font.pitch = 2;
  // Bold and italic, which the installed stand-in faces have no cuts for.
  font.style = picture::kBold | picture::kItalic | picture::kUnderline;
  return font;
}

TEST(FontDialog, OkWithoutChangesKeepsTheFontAndCancelChangesNothing) {
  sheetwright::test_util::TempFolder temp;
  test_util::OwningWindow window(temp.Path("vellumist.ini"), temp.path() + "/");
  window.FormCreate();
  window.Styles().SetFont(settings::FontId::kGai, Customised());

  QString name;
  ModalScript script;
  script.Then("FontDialogGai", [&](QWidget* dialog) {
    name = dialog->objectName();
    auto* face = dialog->findChild<QComboBox*>("CmbFace");
    EXPECT_EQ(face->currentText(), "ＭＳ Ｐゴシック (IPAPGothic)");
    face->setCurrentIndex(3);
    Press(dialog, QDialogButtonBox::Cancel);
  });
  script.Then("FontDialogGai", [](QWidget* dialog) { Press(dialog, QDialogButtonBox::Ok); });
  auto* button = window.findChild<QPushButton*>("BtnFontGai");
  button->click();
  EXPECT_EQ(name, "FontDialogGai");
  EXPECT_EQ(window.Styles().Font(settings::FontId::kGai), Customised());
  button->click();  // OK: the substitute shown for the face does not replace its name
  EXPECT_EQ(window.Styles().Font(settings::FontId::kGai), Customised());
  EXPECT_TRUE(script.Done());
}

TEST(FontDialog, OkTakesFaceSizeStyleAndAChosenColourButKeepsThePitch) {
  FontDialog dialog(Customised());
  dialog.SelectFace("DejaVu Sans");
  dialog.Size()->setValue(10);
  dialog.Underline()->setChecked(false);
  dialog.StrikeOut()->setChecked(true);
  LabelFont result = dialog.Result();
  EXPECT_EQ(result.face_name, "DejaVu Sans");
  EXPECT_EQ(result.charset, 0);  // a Latin face
  EXPECT_EQ(result.height, -13);
  EXPECT_EQ(result.style, picture::kBold | picture::kItalic | picture::kStrikeOut);
  EXPECT_EQ(result.pitch, 2);
  EXPECT_EQ(result.color, picture::kClWindowText);  // the colour was not chosen
  // The sample shows Japanese text in the chosen style and colour.
  EXPECT_TRUE(dialog.Sample()->font().bold() && dialog.Sample()->font().italic());
  EXPECT_TRUE(dialog.Sample()->font().strikeOut());

  dialog.Colour()->setCurrentIndex(1);  // black, chosen: no longer the window-text colour
  emit dialog.Colour()->activated(1);
  EXPECT_EQ(dialog.Result().color, 0u);
  EXPECT_EQ(dialog.Sample()->palette().color(QPalette::WindowText), QColor(Qt::black));

  dialog.SelectFace("IPAGothic");  // bold and italic stay chosen on a face without such cuts
  EXPECT_EQ(dialog.Result().face_name, "IPAGothic");
  EXPECT_EQ(dialog.Result().charset, 128);
  EXPECT_EQ(dialog.Result().style, picture::kBold | picture::kItalic | picture::kStrikeOut);
}

// Map labels reach 150 pt: a size too large for the sample's box is scaled down until the whole
// text stands in it, and the line below says which size it shows.
TEST(FontDialog, TheSampleShowsEveryMapSizeWholeAndSaysItsSize) {
  struct Case {
    int points;
    bool scaled;
  };
  for (Case c :
       {Case{9, false}, Case{20, false}, Case{60, true}, Case{100, true}, Case{150, true}}) {
    FontDialog dialog{LabelFont{}};
    dialog.Size()->setValue(c.points);
    QLabel* sample = dialog.Sample();
    QSize needed = QFontMetrics(sample->font()).size(Qt::TextSingleLine, sample->text());
    EXPECT_LE(needed.width(), sample->contentsRect().width()) << c.points;
    EXPECT_LE(needed.height(), sample->contentsRect().height()) << c.points;
    QString said = dialog.SampleSize()->text();
    EXPECT_TRUE(said.startsWith(QString("%1 pt").arg(c.points))) << said.toStdString();
    EXPECT_EQ(said.contains("縮小"), c.scaled) << said.toStdString();
    if (c.scaled) {
      EXPECT_TRUE(said.contains(QString("%1 pt に").arg(sample->font().pointSizeF())))
          << said.toStdString();
    }
  }
}

}  // namespace
}  // namespace sheetwright::ui
