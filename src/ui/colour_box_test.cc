#include "ui/colour_box.h"

#include <gtest/gtest.h>

#include <QColorDialog>
#include <QTest>

#include "ui/text.h"
#include "ui/ui_test_util.h"

namespace sheetwright::ui {
namespace {

using test_util::ModalScript;
using test_util::Press;

TEST(ColourBox, OffersTheCustomEntryAndTheTwentyColoursInOrder) {
  ColourBox box;
  ASSERT_EQ(box.count(), 21);
  EXPECT_EQ(box.itemText(0), "カスタム...");
  EXPECT_EQ(box.itemText(1), "黒");
  EXPECT_EQ(box.itemText(10), "赤");
  EXPECT_EQ(box.itemText(17), "Money Green");
  EXPECT_EQ(box.itemText(20), "明るい灰色");
  EXPECT_FALSE(box.itemIcon(18).isNull());  // every entry shows a swatch
  EXPECT_EQ(box.currentIndex(), ColourBox::kCustomEntry);
  EXPECT_EQ(box.Color(), 0u);
}

TEST(ColourBox, EveryNameFitsWholeInAnEightyNinePixelBox) {
  ColourBox box;
  box.setFont(ReferenceFont("ＭＳ Ｐゴシック", 12));
  box.setFixedSize(89, 22);
  for (int i = 0; i < box.count(); ++i) {
    box.setCurrentIndex(i);
    EXPECT_LE(QFontMetrics(box.NameFont()).horizontalAdvance(box.itemText(i)),
              box.NameRect().width())
        << box.itemText(i).toStdString();
  }
}

TEST(ColourBox, AColourSetFromOutsideSelectsTheFirstEqualEntryOrBecomesTheCustomColour) {
  ColourBox box;
  box.SetColor(0x000000);  // the custom colour is still black
  EXPECT_EQ(box.currentIndex(), 0);
  box.SetColor(0x0000FF);
  EXPECT_EQ(box.currentIndex(), 10);
  EXPECT_EQ(box.Color(), 0x0000FFu);
  box.SetColor(0x123456);
  EXPECT_EQ(box.currentIndex(), 0);
  EXPECT_EQ(box.Color(), 0x123456u);
  box.SetColor(0x000000);  // now black is entry 1
  EXPECT_EQ(box.currentIndex(), 1);
  EXPECT_EQ(box.CustomColor(), 0x123456u);
  box.SetColor(0x80000008);  // a system colour is held as it is
  EXPECT_EQ(box.Color(), 0x80000008u);
  EXPECT_EQ(ColourBox::SwatchColor(0x80000008), QColor(Qt::black));
}

TEST(ColourBox, TheCustomEntryOpensTheColourDialogSeededWithTheCustomColour) {
  ColourBox box;
  box.SetColor(0x00FF00);
  box.SetColor(0x123456);
  box.SetColor(0x00FF00);  // lime selected, custom 0x123456
  std::vector<picture::ColorValue> chosen;
  QObject::connect(&box, &ColourBox::ColorChosen,
                   [&](picture::ColorValue v) { chosen.push_back(v); });

  QColor seed, first_slot;
  ModalScript script;
  script.Then("QColorDialog", [&](QWidget* modal) {
    auto* dialog = qobject_cast<QColorDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    seed = dialog->currentColor();
    first_slot = QColorDialog::customColor(0);
    dialog->setCurrentColor(QColor(0x10, 0x20, 0x30));
    Press(modal, QDialogButtonBox::Ok);
  });
  script.Then("QColorDialog", [](QWidget* modal) { Press(modal, QDialogButtonBox::Cancel); });

  emit box.activated(ColourBox::kCustomEntry);
  EXPECT_EQ(seed, QColor(0x56, 0x34, 0x12));
  EXPECT_EQ(first_slot, seed);
  EXPECT_EQ(box.Color(), 0x302010u);

  // Enter on the selected custom entry opens it again; Cancel keeps the colour.
  QTest::keyClick(&box, Qt::Key_Return);
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(box.currentIndex(), 0);
  EXPECT_EQ(box.Color(), 0x302010u);
  EXPECT_EQ(chosen, (std::vector<picture::ColorValue>{0x302010, 0x302010}));
  EXPECT_TRUE(script.Unexpected().empty());
}

// Before any custom colour is set, the custom entry starts the dialog at the colour the box
// showed (the layer's), not at black; Cancel then shows that colour still.
TEST(ColourBox, TheFirstCustomColourStartsFromTheListedColourShown) {
  ColourBox box;
  box.SetColor(0x0000FF);  // a listed red
  ASSERT_NE(box.currentIndex(), ColourBox::kCustomEntry);
  QColor seed;
  ModalScript script;
  script.Then("QColorDialog", [&](QWidget* modal) {
    seed = qobject_cast<QColorDialog*>(modal)->currentColor();
    Press(modal, QDialogButtonBox::Cancel);
  });
  box.setCurrentIndex(ColourBox::kCustomEntry);
  emit box.activated(ColourBox::kCustomEntry);
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(seed, QColor(0xFF, 0, 0));
  EXPECT_TRUE(script.Unexpected().empty());
}

}  // namespace
}  // namespace sheetwright::ui
