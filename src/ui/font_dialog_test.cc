#include "ui/font_dialog.h"

#include <gtest/gtest.h>

#include <QFontDialog>
#include <QPushButton>

#include "base/common_test_util.h"
#include "ui/colour_box.h"
#include "ui/frm_main.h"
#include "ui/ui_test_util.h"

namespace sheetwright::ui {
namespace {

using picture::LabelFont;
using test_util::ModalScript;
using test_util::Press;

LabelFont Customised() {
  LabelFont font;
  font.pitch = 2;
  font.style = picture::kUnderline;
  return font;
}

TEST(FontDialog, OkWithoutChangesKeepsTheFontAndCancelChangesNothing) {
  sheetwright::test_util::TempFolder temp;
  TFrmMain window(temp.Path("vellumist.ini"), temp.path() + "/");
  window.FormCreate();
  window.Styles().SetFont(settings::FontId::kGai, Customised());

  QString name;
  ModalScript script;
  script.Then("FontDialogGai", [&](QWidget* dialog) {
    name = dialog->objectName();
    auto* chooser = dialog->findChild<QFontDialog*>();
    chooser->setCurrentFont(QFont("DejaVu Sans", 20));
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
  QFont chosen("DejaVu Sans");
  chosen.setPointSize(10);
  chosen.setBold(true);
  chosen.setItalic(true);
  chosen.setStrikeOut(true);
  dialog.Chooser()->setCurrentFont(chosen);
  LabelFont result = dialog.Result();
  EXPECT_EQ(result.face_name, "DejaVu Sans");
  EXPECT_EQ(result.charset, 0);  // a Latin face
  EXPECT_EQ(result.height, -13);
  EXPECT_EQ(result.style, picture::kBold | picture::kItalic | picture::kStrikeOut);
  EXPECT_EQ(result.pitch, 2);
  EXPECT_EQ(result.color, picture::kClWindowText);  // the colour was not chosen

  dialog.Colour()->setCurrentIndex(1);  // black, chosen: no longer the window-text colour
  emit dialog.Colour()->activated(1);
  EXPECT_EQ(dialog.Result().color, 0u);

  dialog.Chooser()->setCurrentFont(QFont("IPAGothic"));
  EXPECT_EQ(dialog.Result().face_name, "IPAGothic");
  EXPECT_EQ(dialog.Result().charset, 128);
}

}  // namespace
}  // namespace sheetwright::ui
