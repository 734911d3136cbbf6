// Where the settings file is and how it is written, as one table of cases. The table runs twice:
// as the user running the tests and, when that is root, once more as "nobody" (see
// CMakeLists.txt): every case must come out the same for both.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "base/atomic_file.h"
#include "settings/ini_file.h"
#include "settings/settings_file.h"
#include "settings/settings_location.h"
#include "settings/settings_test_util.h"

// Owners, modes and the XDG folders: POSIX rules (the Windows ones are tested under Wine by
// scripts/test-windows).
#ifndef _WIN32
namespace sheetwright::settings {
namespace {

namespace fs = std::filesystem;
using test_util::ReadFileBytes;
using test_util::TempFolder;

const std::string kMine = "[Mine]\r\nkeep=me\r\n";

struct FileState {
  uid_t uid;
  gid_t gid;
  mode_t mode;
  ino_t inode;
};

FileState StateOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return {st.st_uid, st.st_gid, st.st_mode & 07777, st.st_ino};
}

struct WriteCase {
  const char* name;
  // Prepares the folder and returns the settings path to save to.
  std::function<std::string(const TempFolder&)> prepare;
  const char* refused_with;  // nullptr: the save succeeds
};

// The same cases for an ordinary user and for root (`root`: the run is root's).
std::vector<WriteCase> WriteCases(bool root) {
  return {
      {"a frozen file is kept, by root too",
       [](const TempFolder& dir) {
         std::string path = dir.Write("vellumist.ini", kMine);
         ::chmod(path.c_str(), 0444);
         return path;
       },
       "に書き込めません: Permission denied"},
      {"the owner, group and mode stay",
       [root](const TempFolder& dir) {
         std::string path = dir.Write("vellumist.ini", kMine);
         ::chmod(path.c_str(), 0664);
         // As root the file is a user's (sudo replacing it must leave it theirs).
         if (root) {
           EXPECT_EQ(::chown(path.c_str(), 65534, 65534), 0);
         }
         return path;
       },
       nullptr},
      {"a writable file in a folder that is not",
       [](const TempFolder& dir) {
         std::string path = dir.Write("program/vellumist.ini", kMine);
         ::chmod(path.c_str(), 0666);
         ::chmod(dir.Path("program").c_str(), 0555);
         return path;
       },
       nullptr},
      {"a dangling link is written through",
       [](const TempFolder& dir) {
         fs::create_directory(dir.Path("dotfiles"));
         fs::create_symlink("dotfiles/vellumist.ini", dir.Path("vellumist.ini"));
         return dir.Path("vellumist.ini");
       },
       nullptr},
      {"the per-user file's folder is made",
       [](const TempFolder& dir) {
         ::setenv("XDG_CONFIG_HOME", dir.Path("config").c_str(), 1);
         return dir.Path("config/sheetwright/vellumist.ini");
       },
       nullptr},
      {"the per-user folder, a link into a missing folder, is made where it points",
       [](const TempFolder& dir) {
         ::setenv("XDG_CONFIG_HOME", dir.Path("config").c_str(), 1);
         fs::create_directories(dir.Path("config"));
         fs::create_symlink("../synced/sheetwright", dir.Path("config/sheetwright"));
         return dir.Path("config/sheetwright/vellumist.ini");
       },
       nullptr},
  };
}

TEST(SettingsWriteTest, EveryUserGetsTheSameOutcome) {
  const std::vector<WriteCase> cases = WriteCases(::geteuid() == 0);
  for (const WriteCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder dir;
    std::string path = c.prepare(dir);
    std::string target = platform::LinkTarget(path);
    bool existed = fs::exists(target);
    FileState before = existed ? StateOf(target) : FileState{};
    std::string old = ReadFileBytes(target);
    LayerStyleTable table;
    try {
      SaveSettings(path, table);
      EXPECT_EQ(c.refused_with, nullptr) << "saved";
    } catch (const SettingsWriteError& e) {
      ASSERT_NE(c.refused_with, nullptr) << e.what();
      EXPECT_EQ(std::string(e.what()), path + " " + c.refused_with);
      EXPECT_EQ(ReadFileBytes(target), old);
      continue;
    }
    EXPECT_EQ(ReadFileBytes(target).substr(0, old.size()), old) << "foreign lines kept";
    EXPECT_TRUE(IniFile::Parse(ReadFileBytes(target)).Get("CONVERT", "GAIKU_LINE"));
    if (existed) {
      FileState after = StateOf(target);
      EXPECT_EQ(after.uid, before.uid);
      EXPECT_EQ(after.gid, before.gid);
      EXPECT_EQ(after.mode, before.mode);
    }
    EXPECT_EQ(fs::is_symlink(path), path != target);
    ::chmod(fs::path(target).parent_path().c_str(), 0755);
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(target).parent_path()),
                            fs::directory_iterator()),
              1)
        << "no temporary file left";
  }
  ::unsetenv("XDG_CONFIG_HOME");
}

// A portable copy keeps the file beside the executable; an installed program (its folder
// read-only, or the installed example beside it) keeps it per user, filled from the example.
TEST(SettingsWriteTest, TheFileIsBesideAPortableCopyAndPerUserWhenInstalled) {
  TempFolder dir;
  ::setenv("XDG_CONFIG_HOME", dir.Path("xdg").c_str(), 1);
  const std::string user_file = dir.Path("xdg/sheetwright/vellumist.ini");
  EXPECT_EQ(UserSettingsPath(), user_file);

  fs::create_directories(dir.Path("portable"));
  EXPECT_EQ(SettingsFilePath(dir.Path("portable")), dir.Path("portable/vellumist.ini"));

  dir.Write("usr/share/sheetwright/vellumist.ini", kMine);
  fs::create_directories(dir.Path("usr/bin"));
  const std::string bin = dir.Path("usr/bin/");
  EXPECT_EQ(SettingsFilePath(bin), user_file) << "the installed example marks an installation";

  dir.Write("frozen/vellumist.ini", kMine);
  fs::create_directories(dir.Path("readonly"));
  for (const char* folder : {"frozen", "readonly"}) ::chmod(dir.Path(folder).c_str(), 0555);
  EXPECT_EQ(SettingsFilePath(dir.Path("frozen")), dir.Path("frozen/vellumist.ini"));
  EXPECT_EQ(SettingsFilePath(dir.Path("readonly")), user_file) << "judged by the mode, root too";
  for (const char* folder : {"frozen", "readonly"}) ::chmod(dir.Path(folder).c_str(), 0755);

  SeedUserSettings(user_file, bin);
  EXPECT_EQ(ReadFileBytes(user_file), kMine);
  dir.Write("xdg/sheetwright/vellumist.ini", "[Mine]\r\nkeep=changed\r\n");
  SeedUserSettings(user_file, bin);
  EXPECT_EQ(ReadFileBytes(user_file), "[Mine]\r\nkeep=changed\r\n") << "filled only once";
  ::unsetenv("XDG_CONFIG_HOME");
}

// A relative HOME or XDG_CONFIG_HOME would put the file wherever the program was started from.
TEST(SettingsWriteTest, RelativeHomeAndConfigFoldersAreIgnored) {
  const char* home = std::getenv("HOME");
  const std::string saved = home ? home : "";
  ::setenv("XDG_CONFIG_HOME", "xdg", 1);
  ::setenv("HOME", "relative/home", 1);
  std::string path = UserSettingsPath();
  EXPECT_EQ(path.front(), '/') << path;
  EXPECT_EQ(path.find("relative"), std::string::npos) << path;
  EXPECT_NE(path.find("/.config/sheetwright/vellumist.ini"), std::string::npos) << path;
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(UserSettingsPath(), "/home/someone/.config/sheetwright/vellumist.ini");
  ::unsetenv("XDG_CONFIG_HOME");
  if (home) ::setenv("HOME", saved.c_str(), 1);
}

}  // namespace
}  // namespace sheetwright::settings
#endif
