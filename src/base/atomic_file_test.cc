#include "base/atomic_file.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/common_test_util.h"
#include "base/messages.h"

namespace sheetwright::base {
namespace {

using test_util::TempFolder;

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

size_t EntriesIn(const std::string& folder) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

#ifndef _WIN32
TEST(AtomicFileTest, LinuxOnlyCreatesAndReplacesKeepingTheMode) {
  TempFolder dir;
  std::string path = dir.path() + "/533946.wmf";
  WriteFileAtomically(path, std::string("first\0bytes", 11));
  EXPECT_EQ(Contents(path), std::string("first\0bytes", 11));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_NE(st.st_mode & 0444, 0u) << "not left at mkstemp's 0600 alone";
  ::chmod(path.c_str(), 0640);
  WriteFileAtomically(path, "second");
  EXPECT_EQ(Contents(path), "second");
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u) << "the old file's permissions are kept";
  WriteFileAtomically(path, "");
  EXPECT_EQ(Contents(path), "");
  EXPECT_EQ(EntriesIn(dir.path()), 1u) << "no temporary file left";
}
#endif

TEST(AtomicFileTest, PiecesReplaceTheFileOnlyOnCommit) {
  TempFolder dir;
  std::string path = dir.Write("out.svg", "old");
  {
    AtomicFile abandoned(path);
    abandoned.Write("half a ");
  }
  EXPECT_EQ(Contents(path), "old");
  EXPECT_EQ(EntriesIn(dir.path()), 1u) << "an abandoned file leaves nothing behind";
  AtomicFile file(path);
  file.Write("new ");
  file.Write("drawing");
  EXPECT_EQ(Contents(path), "old");
  file.Commit();
  EXPECT_EQ(Contents(path), "new drawing");
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

// Past some megabytes the disk is set to work on what has been written while the rest comes.
TEST(AtomicFileTest, ALargeFileGoesToTheDiskWholeAndOnlyOnCommit) {
  TempFolder dir;
  std::string path = dir.Write("533946.dxf", "old"), expected;
  AtomicFile file(path);
  for (int i = 0; i < 40; ++i) {
    std::string piece(i % 3 == 0 ? 1 << 20 : 333333, static_cast<char>('a' + i % 26));
    file.Write(piece);
    expected += piece;
  }
  EXPECT_EQ(Contents(path), "old");
  file.Commit();
  EXPECT_TRUE(Contents(path) == expected) << "the file is not the bytes written";
}

TEST(AtomicFileTest, FailureLeavesTheOldFileAndNoLeftovers) {
  TempFolder dir;
  std::string missing = dir.path() + "/no-such-folder/out.wmf";
  try {
    WriteFileAtomically(missing, "x");
    FAIL() << "no error";
  } catch (const ConversionError& e) {
    EXPECT_EQ(std::string(e.what()).rfind(missing + " に書き込めません: ", 0), 0u) << e.what();
  }
  // The target is a folder: the rename fails after the bytes were written.
  std::string folder_target = dir.path() + "/taken";
  std::filesystem::create_directory(folder_target);
  dir.Write("taken/keep.wmf", "old");
  EXPECT_THROW(WriteFileAtomically(folder_target, "new"), ConversionError);
  EXPECT_EQ(Contents(folder_target + "/keep.wmf"), "old");
  EXPECT_EQ(EntriesIn(dir.path()), 1u) << "no temporary file left";
}

#ifndef _WIN32
TEST(AtomicFileTest, LinuxOnlyWriteFailureKeepsTheOldFile) {
  TempFolder dir;
  std::string path = dir.Write("out.wmf", "old");
  // Make the write itself fail part-way (as a full disk would): a file size limit below the
  // new contents. Root is bound by it too.
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto old_handler = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  bool threw = false;
  try {
    WriteFileAtomically(path, std::string(100000, 'x'));
  } catch (const ConversionError&) {
    threw = true;
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, old_handler);
  EXPECT_TRUE(threw);
  EXPECT_EQ(Contents(path), "old");
  EXPECT_EQ(EntriesIn(dir.path()), 1u) << "no temporary file left";
}
#endif

#ifndef _WIN32
// Many jobs finish meshes ahead of their turn: a finished file waits by its name, without a handle.
TEST(AtomicFileTest, LinuxOnlyFinishedFilesWaitWithoutAHandle) {
  TempFolder dir;
  size_t handles = EntriesIn("/proc/self/fd");
  std::vector<std::unique_ptr<AtomicFile>> waiting;
  for (int i = 0; i < 64; ++i) {
    waiting.push_back(std::make_unique<AtomicFile>(dir.path() + "/" + std::to_string(i) + ".wmf"));
    waiting.back()->Write(std::to_string(i));
    waiting.back()->Close();
  }
  EXPECT_EQ(EntriesIn("/proc/self/fd"), handles);
  for (auto& file : waiting) file->Commit();
  EXPECT_EQ(Contents(dir.path() + "/63.wmf"), "63");
  EXPECT_EQ(EntriesIn(dir.path()), 64u);
}
#endif

#ifdef _WIN32
// The rules only Windows has: the read-only attribute freezes a file, and a file another program
// holds open cannot be replaced. Either way the old file stays and no temporary file is left.
TEST(AtomicFileWindowsTest, AReadOnlyFileIsFrozen) {
  TempFolder dir;
  std::string path = dir.Write("frozen.wmf", "old");
  std::wstring wide = std::filesystem::u8path(path).wstring();
  ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_THROW(WriteFileAtomically(path, "new"), ConversionError);
  EXPECT_EQ(Contents(path), "old");
  EXPECT_EQ(EntriesIn(dir.path()), 1u) << "no temporary file left";
  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(AtomicFileWindowsTest, AFileHeldOpenFailsAndStays) {
  TempFolder dir;
  std::string path = dir.Write("held.wmf", "old");
  // As a drawing program holds the file it shows: shared for reading only.
  HANDLE held =
      CreateFileW(std::filesystem::u8path(path).wstring().c_str(), GENERIC_READ, FILE_SHARE_READ,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_THROW(WriteFileAtomically(path, "new"), ConversionError);
  CloseHandle(held);
  EXPECT_EQ(Contents(path), "old");
  EXPECT_EQ(EntriesIn(dir.path()), 1u) << "no temporary file left";
  // Let go, it is replaced.
  WriteFileAtomically(path, "new");
  EXPECT_EQ(Contents(path), "new");
}
#endif

}  // namespace
}  // namespace sheetwright::base
