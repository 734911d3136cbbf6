#include "platform/folders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/files.h"
#include "platform/program.h"

namespace sheetwright::platform {
namespace {

// Shift_JIS names whose second byte is 0x5C, the code of "\".
const std::string kHyou = "\x95\x5C";           // 表
const std::string kSo = "\x83\x5C";             // ソ
const std::string kNou = "\x94\x5C";            // 能
const std::string kChizu = "\x92\x6E\x90\x7D";  // 地図

TEST(PathsTest, JoinAndSplitAtSeparatorsOnly) {
  std::string s(1, kSeparator);
  EXPECT_EQ(JoinPath("in", "533945"), "in" + s + "533945");
  EXPECT_EQ(JoinPath("in" + s, "533945"), "in" + s + "533945");
  EXPECT_EQ(JoinPath("", "533945"), "533945");
  EXPECT_EQ(BaseName("in/533945"), "533945");
  EXPECT_EQ(BaseName("533945"), "533945");
  EXPECT_EQ(LastSeparator("in/a/b"), 4u);
  EXPECT_EQ(RelativeTo("in" + s + "m", "in" + s + "m" + s + "road" + s + "x.arc"),
            "road" + s + "x.arc");
  EXPECT_EQ(RelativeTo("in" + s + "m", "in" + s + "mm" + s + "x.arc"),
            "in" + s + "mm" + s + "x.arc");
  EXPECT_EQ(ExtensionOf("out/town.PDF"), ".PDF");
  EXPECT_EQ(ExtensionOf("out.d/town"), "");
  EXPECT_EQ(ExtensionOf("out/.svg"), "");
#ifdef _WIN32
  EXPECT_EQ(BaseName("C:\\in/sub\\533945"), "533945");
#endif
}

#ifndef _WIN32
// On POSIX a Shift_JIS name is a path of its own bytes: "\" is no separator there, so 表 is whole.
TEST(PathsTest, LinuxOnlyAShiftJisSecondByteIsNoSeparator) {
  for (const std::string& name : {kHyou, kSo, kNou, kHyou + kChizu}) {
    std::string path = JoinPath("in", name);
    EXPECT_EQ(BaseName(path), name);
    EXPECT_EQ(LastSeparator(path), 2u);
  }
}
#endif

TEST(FoldersTest, ListsEntriesByTheirOwnNamesAndKinds) {
  std::error_code error;
  std::string folder =
      MakeTempFolder(std::filesystem::temp_directory_path().string() + "/list", error);
  ASSERT_FALSE(error);
  // On Windows paths are UTF-8; elsewhere the Shift_JIS bytes a copied folder has.
#ifdef _WIN32
  const std::string mesh = "\xE8\xA1\xA8";  // 表
#else
  const std::string mesh = kHyou;
#endif
  ASSERT_FALSE(MakeFolders(JoinPath(JoinPath(folder, mesh), "gaiku")));
  std::ofstream(JoinPath(folder, "File.TXT")) << "x";
  std::vector<FolderEntry> entries = ListFolder(folder, error);
  ASSERT_FALSE(error);
  std::sort(entries.begin(), entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "File.TXT");
  EXPECT_EQ(entries[0].kind, EntryKind::kFile);
  EXPECT_EQ(entries[1].name, mesh);
  EXPECT_EQ(entries[1].kind, EntryKind::kFolder);
  EXPECT_EQ(KindOf(JoinPath(JoinPath(folder, mesh), "gaiku")), EntryKind::kFolder);
  EXPECT_EQ(KindOf(JoinPath(folder, "none"), &error), EntryKind::kNone);
  EXPECT_FALSE(error);  // missing is no error
  ListFolder(JoinPath(folder, "none"), error);
  EXPECT_TRUE(error);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace sheetwright::platform
