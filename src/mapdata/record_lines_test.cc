#include "mapdata/record_lines.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "base/common_test_util.h"

namespace sheetwright::mapdata {
namespace {

using test_util::TempFolder;

std::vector<std::string> LinesOf(const FileText& file) {
  std::vector<std::string> lines;
  LineCursor cursor(file);
  while (!cursor.AtEnd()) lines.emplace_back(cursor.Next());
  return lines;
}

TEST(RecordLinesTest, LineBreaksAndTheEndOfTheText) {
  using Lines = std::vector<std::string>;
  struct Case {
    std::string bytes;
    Lines expected;
  };
  const Case cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\n", {"a"}},
      {"a\r\nb\nc", {"a", "b", "c"}},  // mixed breaks, last line without one
      {"a\r\n\r\nb\r\n", {"a", "", "b"}},
      {"\n", {""}},
      {"a\rb\r\n", {"a\rb"}},      // a lone CR is no line break
      {"a\r\r\n", {"a\r"}},        // only the CR of the CR LF pair goes
      {"a\r\nb\x1A", {"a", "b"}},  // Ctrl-Z ends the text ...
      {"a\r\n\x1A"
       "b\r\nc\r\n",
       {"a"}},  // ... and nothing after it is read
      {"\x1A"
       "a\r\n",
       {}},
      {"a\x1A\x1A", {"a"}},
      {std::string("a\0b\r\nc", 6), {std::string("a\0b", 3), "c"}},  // NUL is just a byte
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LinesOf(FileText(c.bytes)), c.expected) << "bytes '" << c.bytes << "'";
  }
}

TEST(RecordLinesTest, ReadingPastTheEndGivesEmptyLines) {
  FileText file("x");
  LineCursor cursor(file);
  EXPECT_EQ(cursor.Next(), "x");
  EXPECT_TRUE(cursor.AtEnd());
  EXPECT_EQ(cursor.Next(), "");
  EXPECT_TRUE(cursor.AtEnd());
}

TEST(RecordLinesTest, ReadsAFileAndStopsAtCtrlZ) {
  TempFolder folder;
  std::string path = folder.Write("gaiku/GAIKU.ARC", "h,1,2,3\r\nL2300,1,5,1\r\n\x1A junk");
  auto file = FileText::Read(path);
  EXPECT_EQ(file->path(), path);
  EXPECT_EQ(file->text(), "h,1,2,3\r\nL2300,1,5,1\r\n");
}

TEST(RecordLinesTest, ReadsAnEmptyFile) {
  TempFolder folder;
  EXPECT_EQ(FileText::Read(folder.Write("empty.arc", ""))->text(), "");
}

TEST(RecordLinesTest, UnreadableFilesThrowWithThePath) {
  TempFolder folder;
  std::string missing = folder.path() + "/no/such.arc";
  try {
    FileText::Read(missing);
    FAIL() << "no error";
  } catch (const base::ConversionError& e) {
    EXPECT_EQ(std::string(e.what()).rfind(missing + " を読み込めません: ", 0), 0u) << e.what();
  }
  EXPECT_THROW(FileText::Read(folder.path()), base::ConversionError);  // a folder
#ifndef _WIN32
  // A FIFO without a writer must be refused at once, not wait forever.
  std::string fifo = folder.path() + "/pipe.arc";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_THROW(FileText::Read(fifo), base::ConversionError);
#endif
}

TEST(RecordLinesTest, BeginsWithComparesTheFirstCharacters) {
  EXPECT_TRUE(BeginsWith("L2300,1,2", "L2300"));
  EXPECT_TRUE(BeginsWith("L2300,1,2", "L"));
  EXPECT_TRUE(BeginsWith("A6242", "A"));
  EXPECT_TRUE(BeginsWith("x", ""));
  EXPECT_FALSE(BeginsWith("L230", "L2300"));   // shorter line
  EXPECT_FALSE(BeginsWith("l2300", "L2300"));  // letter case counts
  EXPECT_FALSE(BeginsWith("L2301", "L2300"));
}

}  // namespace
}  // namespace sheetwright::mapdata
