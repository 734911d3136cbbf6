#include "ui/mesh_list.h"

#include <gtest/gtest.h>

#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <filesystem>

#include "base/common_test_util.h"

namespace sheetwright::ui {
namespace {

TEST(MeshList, RowsOfSeveralBuildsStandInOrderAndOnlyFoldersAreRows) {
  sheetwright::test_util::TempFolder temp;
  for (const char* folder : {"one/B", "one/a", "one/.hidden", "two/A", "two/c"}) {
    std::filesystem::create_directories(temp.Path(folder));
  }
  temp.Write("one/0", "a file");
  MeshList list;
  list.Build(temp.Path("one/"));
  list.Build(temp.Path("two"));
  list.Build(temp.Path("missing"));
  EXPECT_EQ(list.Names(), (std::vector<std::string>{"A", "a", "B", "c"}));
  EXPECT_EQ(list.currentRow(), -1);  // Build never sets the current row
  list.Rebuild(temp.Path("two"));
  EXPECT_EQ(list.Names(), (std::vector<std::string>{"A", "c"}));
  EXPECT_EQ(list.currentRow(), 0);
  EXPECT_FALSE(list.IsTicked(0));
}

TEST(MeshList, TheBoxAndSpaceToggleATickTheTextDoesNot) {
  sheetwright::test_util::TempFolder temp;
  for (const char* folder : {"m1", "m2"}) std::filesystem::create_directory(temp.Path(folder));
  MeshList list;
  list.resize(273, 113);
  list.show();
  list.Rebuild(temp.path());

  QStyleOptionViewItem option;
  option.initFrom(list.viewport());
  option.rect = list.visualItemRect(list.item(1));
  option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
  QRect box = list.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &list);
  QPoint text(option.rect.right() - 20, option.rect.center().y());

  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, text);
  EXPECT_EQ(list.currentRow(), 1);
  EXPECT_FALSE(list.IsTicked(1));
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, box.center());
  EXPECT_TRUE(list.IsTicked(1));
  QTest::keyClick(list.viewport(), Qt::Key_Space);
  EXPECT_FALSE(list.IsTicked(1));
  EXPECT_FALSE(list.IsTicked(0));
}

}  // namespace
}  // namespace sheetwright::ui
