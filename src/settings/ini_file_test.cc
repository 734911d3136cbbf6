#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <system_error>

#include "base/encoding.h"
#include "base/messages.h"
#include "settings/settings_test_util.h"

namespace sheetwright::settings {
namespace {

using test_util::ReadFileBytes;
using test_util::TempFolder;
using test_util::TestDataPath;

// A hand-edited file: comments, blank lines, a key before any section, a foreign section, blanks
// around names and values, quotes, an "=" inside a value, a second section of the same name.
constexpr std::string_view kHandEdited =
    "; written by hand\r\n"
    "orphan=before any section\r\n"
    "\r\n"
    "[Color]\r\n"
    "school_line=65280\r\n"
    "  TEMPLE_LINE  =  255  \r\n"
    "TEMPLE_LINE=999\r\n"
    "# note: no equals sign here\r\n"
    "\r\n"
    "[Other]\r\n"
    "Formula=a=b=c\r\n"
    "Quoted=\" padded \"\r\n"
    "Single='x'\r\n"
    "Lopsided=\"x'\r\n"
    "Empty=\r\n"
    "[ Spaced ]\r\n"
    "k=v\r\n"
    "[COLOR]\r\n"
    "KEN_LINE=1\r\n";

TEST(IniFileTest, ReadsLikeTheProfileFunctions) {
  IniFile file = IniFile::Parse(kHandEdited);
  const struct {
    std::string_view section, key;
    std::optional<std::string> value;
  } cases[] = {
      {"COLOR", "SCHOOL_LINE", "65280"},  // names in any case
      {"color", "School_Line", "65280"},
      {"COLOR", "TEMPLE_LINE", "255"},      // blanks dropped; the first of two keys wins
      {"COLOR", "KEN_LINE", std::nullopt},  // only the first section of a name is searched
      {"COLOR", "orphan", std::nullopt},
      {"COLOR", "Formula", std::nullopt},  // the next section's keys are not this one's
      {"Other", "Formula", "a=b=c"},       // the value is all after the first "="
      {"Other", "Quoted", " padded "},     // one pair of enclosing quotes goes
      {"Other", "Single", "x"},
      {"Other", "Lopsided", "\"x'"},
      {"Other", "Empty", ""},
      {"Other", "# note: no equals sign here", std::nullopt},
      {"Spaced", "k", "v"},
      {"Missing", "k", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(file.Get(c.section, c.key), c.value) << c.section << "/" << c.key;
  }
  EXPECT_EQ(file.GetString("Missing", "k"), "");
}

TEST(IniFileTest, ValuesAreCutAt2047Characters) {
  std::string ascii(3000, 'x');
  std::string kana;
  for (int i = 0; i < 2100; ++i) kana += "あ";
  IniFile file = IniFile::Parse("[S]\r\nA=" + ascii + "\r\nK=" + kana +
                                "\r\nB=" + std::string(2047, 'y') + "\r\n");
  EXPECT_EQ(file.GetString("S", "A"), std::string(2047, 'x'));
  EXPECT_EQ(file.GetString("S", "B"), std::string(2047, 'y'));
  std::string cut = file.GetString("S", "K");
  EXPECT_EQ(cut.size(), 2047u * 3);  // whole characters only
  EXPECT_TRUE(base::IsValidUtf8(cut));
  // The line itself is kept whole.
  EXPECT_NE(file.Serialize().find("A=" + ascii + "\r\n"), std::string::npos);
}

TEST(IniFileTest, UntouchedFileSerializesByteForByte) {
  EXPECT_EQ(IniFile::Parse(kHandEdited).Serialize(), kHandEdited);
  std::string with_bom = "\xEF\xBB\xBF[A]\r\nk=v\r\n";
  EXPECT_EQ(IniFile::Parse(with_bom).Serialize(), with_bom);
  EXPECT_EQ(IniFile::Parse(with_bom).GetString("A", "k"), "v");
  EXPECT_EQ(IniFile::Parse("").Serialize(), "");
}

TEST(IniFileTest, SettingAnEntryChangesOnlyItsLine) {
  IniFile file = IniFile::Parse(kHandEdited);
  file.Set("COLOR", "TEMPLE_LINE", "16711680");
  file.Set("other", "FORMULA", "x");
  std::string expected(kHandEdited);
  auto replace = [&](std::string_view from, std::string_view to) {
    size_t at = expected.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    expected.replace(at, from.size(), to);
  };
  // The key keeps the spelling the file gave it.
  replace("  TEMPLE_LINE  =  255  \r\n", "TEMPLE_LINE=16711680\r\n");
  replace("Formula=a=b=c\r\n", "Formula=x\r\n");
  EXPECT_EQ(file.Serialize(), expected);
}

TEST(IniFileTest, NewEntriesGoAfterTheSectionsLastEntryOrIntoANewSection) {
  IniFile file = IniFile::Parse(
      "[A]\r\n"
      "one=1\r\n"
      "; trailing comment\r\n"
      "\r\n"
      "[Empty]\r\n"
      "\r\n"
      "[B]\r\n"
      "x=1");  // no line break at the end
  file.Set("a", "two", "2");
  file.Set("Empty", "e", "");
  file.Set("C", "c", "3");
  file.Set("C", "d", "4");
  EXPECT_EQ(file.Serialize(),
            "[A]\r\n"
            "one=1\r\n"
            "two=2\r\n"
            "; trailing comment\r\n"
            "\r\n"
            "[Empty]\r\n"
            "e=\r\n"
            "\r\n"
            "[B]\r\n"
            "x=1\r\n"
            "[C]\r\n"
            "c=3\r\n"
            "d=4\r\n");
}

TEST(IniFileTest, AnyValueWithoutALineBreakReadsBackUnchanged) {
  IniFile file;
  for (std::string_view value : {"", " lead", "trail ", "\t", "\"q\"", "'s'", "\"", "a=b",
                                 "/フォルダ/データ", "[not a section]"}) {
    file.Set("S", "k", value);
    EXPECT_EQ(file.Get("S", "k"), std::string(value)) << "'" << value << "'";
    EXPECT_EQ(IniFile::Parse(file.Serialize()).Get("S", "k"), std::string(value));
  }
  std::string before = file.Serialize();
  EXPECT_THROW(file.Set("S", "k", "two\nlines"), std::invalid_argument);
  EXPECT_THROW(file.Set("S", "k", "cr\r"), std::invalid_argument);
  EXPECT_EQ(file.Serialize(), before);
}

TEST(IniFileTest, AcceptsLfAndWritesCrLf) {
  IniFile file = IniFile::Parse("[A]\nk=v\n; note\n[B]\r\nm=w\n");
  EXPECT_EQ(file.GetString("A", "k"), "v");
  EXPECT_EQ(file.GetString("B", "m"), "w");
  EXPECT_EQ(file.Serialize(), "[A]\r\nk=v\r\n; note\r\n[B]\r\nm=w\r\n");
}

// Old editors end lines with CR alone; CR CR LF (a CR LF file copied in text mode) is one end.
TEST(IniFileTest, CrLfAndCrLfAllEndALine) {
  IniFile file =
      IniFile::Parse("[CONVERT]\rGAIKU_LINE=ON\rKEN_LINE=ON\r\r\n[A]\nk=v\r\r[B]\r\nm=w");
  EXPECT_EQ(file.GetString("CONVERT", "GAIKU_LINE"), "ON");
  EXPECT_EQ(file.GetString("CONVERT", "KEN_LINE"), "ON");
  EXPECT_EQ(file.GetString("A", "k"), "v");
  EXPECT_EQ(file.GetString("B", "m"), "w");
  file.Set("CONVERT", "KEN_LINE", "");
  EXPECT_EQ(file.Serialize(),
            "[CONVERT]\r\nGAIKU_LINE=ON\r\nKEN_LINE=\r\n[A]\r\nk=v\r\n\r\n[B]\r\nm=w\r\n");
}

TEST(IniFileTest, ReadsAFileFromTheReferencePlatform) {
  std::optional<IniFile> file = IniFile::Load(TestDataPath("reference_cp932.ini"));
  ASSERT_TRUE(file.has_value());
  // "ソ" and "表" end in the byte of "\": the line must be decoded before it is split.
  EXPECT_EQ(file->GetString("FILE", "INPUT"), "C:\\地図\\ソフト表示");
  EXPECT_EQ(file->GetString("FontCyo", "Name"), "ＭＳ 明朝");
  EXPECT_EQ(file->GetString("FontSi", "Name"), "ＭＳ ゴシック");
  // Written back, the entries the program writes are CP932 like every other line.
  file->Set("FontCyo", "Name", "ＭＳ 明朝");
  std::string written = file->Serialize();
  EXPECT_NE(written.find("Name=" + base::Utf8ToCp932("ＭＳ 明朝") + "\r\n"), std::string::npos);
  EXPECT_NE(written.find("INPUT=" + base::Utf8ToCp932("C:\\地図\\ソフト表示") + "\r\n"),
            std::string::npos);
  EXPECT_NE(written.find(base::Utf8ToCp932("; コメント：表示ソフト") + "\r\n"), std::string::npos);
}

TEST(IniFileTest, DecidesTheEncodingLineByLine) {
  std::string mixed = "[A]\r\nutf=ＭＳ 明朝\r\nsjis=" + base::Utf8ToCp932("ＭＳ 明朝") + "\r\n";
  IniFile file = IniFile::Parse(mixed);
  EXPECT_EQ(file.GetString("A", "utf"), "ＭＳ 明朝");
  EXPECT_EQ(file.GetString("A", "sjis"), "ＭＳ 明朝");
}

// Lines the program does not write come back byte for byte, also those that are neither UTF-8 nor
// CP932 and read only with replacement characters.
TEST(IniFileTest, ForeignLinesKeepTheirBytes) {
  const std::string latin1 = "; caf\xE9 \xAB\xBB\xFF";  // \xFF is no CP932 byte either
  const std::string stray = "Other=\x80\x81";           // \x81 needs a trail byte
  const std::string mine = "Name=" + base::Utf8ToCp932("ＭＳ 明朝") + "\xFF";
  IniFile file = IniFile::Parse(latin1 + "\r\n[FontCyo]\r\n" + stray + "\r\n" + mine + "\r\n");
  EXPECT_EQ(file.Serialize(), latin1 + "\r\n[FontCyo]\r\n" + stray + "\r\n" + mine + "\r\n");
  file.Set("FontCyo", "Name", "IPAGothic");
  file.Set("FontCyo", "Size", "9");
  EXPECT_EQ(file.Serialize(),
            latin1 + "\r\n[FontCyo]\r\n" + stray + "\r\nName=IPAGothic\r\nSize=9\r\n");
}

TEST(IniFileTest, LoadTellsAMissingFileFromAnUnreadableOne) {
  TempFolder temp;
  EXPECT_FALSE(IniFile::Load(temp.Path("none.ini")).has_value());
  EXPECT_FALSE(IniFile::Load(temp.Path("none/deeper.ini")).has_value());
  EXPECT_THROW(IniFile::Load(temp.path()), std::system_error);  // a folder
  std::string path = temp.Write("a.ini", "[A]\nk=v\n");
  ASSERT_TRUE(IniFile::Load(path).has_value());
  EXPECT_EQ(IniFile::Load(path)->GetString("A", "k"), "v");
}

TEST(IniFileTest, SaveReplacesTheFileOrLeavesItAlone) {
  TempFolder temp;
  std::string path = temp.Write("a.ini", "[A]\nk=old\n");
  IniFile file = *IniFile::Load(path);
  file.Set("A", "k", "new");
  file.Save(path);
  EXPECT_EQ(ReadFileBytes(path), "[A]\r\nk=new\r\n");
  EXPECT_THROW(file.Save(temp.Path("missing/a.ini")), base::ConversionError);
  EXPECT_THROW(file.Save(temp.path()), base::ConversionError);
  EXPECT_EQ(std::filesystem::directory_iterator(temp.path())->path().filename(), "a.ini");
}

// A file is written back in the encoding it was read in, every line: UTF-16 with its byte-order
// mark (Notepad's "Unicode"), and a Shift_JIS file in CP932 (never half UTF-8).
TEST(IniFileTest, WritesBackInTheEncodingItWasRead) {
  std::string utf8 = "[FONT1]\r\nName=ＭＳ 明朝\r\n";
  std::string utf16le = "\xFF\xFE";
  for (char16_t c : std::u16string(u"[FONT1]\r\nName=ＭＳ 明朝\r\n")) {
    utf16le += static_cast<char>(c & 0xFF);
    utf16le += static_cast<char>(c >> 8);
  }
  IniFile wide = IniFile::Parse(utf16le);
  EXPECT_EQ(wide.GetString("FONT1", "Name"), "ＭＳ 明朝");
  EXPECT_EQ(wide.Serialize(), utf16le);
  wide.Set("FONT1", "Name", "ＭＳ ゴシック");
  EXPECT_EQ(IniFile::Parse(wide.Serialize()).GetString("FONT1", "Name"), "ＭＳ ゴシック");
  EXPECT_EQ(wide.Serialize().substr(0, 2), "\xFF\xFE");

  IniFile sjis = IniFile::Parse(base::Utf8ToCp932("; 設定\r\n[FONT1]\r\nSize=9\r\n"));
  sjis.Set("FONT1", "Name", "ＭＳ 明朝");
  EXPECT_EQ(sjis.Serialize(),
            base::Utf8ToCp932("; 設定\r\n[FONT1]\r\nSize=9\r\nName=ＭＳ 明朝\r\n"));
  IniFile plain = IniFile::Parse(utf8);
  plain.Set("FONT1", "Size", "9");
  EXPECT_EQ(plain.Serialize(), utf8 + "Size=9\r\n");
}

}  // namespace
}  // namespace sheetwright::settings
