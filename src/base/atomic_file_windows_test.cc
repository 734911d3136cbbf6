// The replacement rules that only Windows has: the read-only attribute freezes a file, and a file
// another program holds open cannot be replaced. Either way the old file stays and no temporary
// file is left.
#ifdef _WIN32
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "base/atomic_file.h"
#include "base/common_test_util.h"
#include "base/messages.h"

namespace sheetwright::base {
namespace {

using test_util::ReadFileBytes;
using test_util::TempFolder;

size_t EntriesIn(const std::string& folder) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

TEST(AtomicFileWindowsTest, AReadOnlyFileIsFrozen) {
  TempFolder dir;
  std::string path = dir.Write("frozen.wmf", "old");
  std::wstring wide = std::filesystem::u8path(path).wstring();
  ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_THROW(WriteFileAtomically(path, "new"), ConversionError);
  EXPECT_EQ(ReadFileBytes(path), "old");
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
  EXPECT_EQ(ReadFileBytes(path), "old");
  EXPECT_EQ(EntriesIn(dir.path()), 1u) << "no temporary file left";
  // Let go, it is replaced.
  WriteFileAtomically(path, "new");
  EXPECT_EQ(ReadFileBytes(path), "new");
}

}  // namespace
}  // namespace sheetwright::base
#endif
