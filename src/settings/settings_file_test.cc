#include "settings/settings_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <filesystem>

#include "base/encoding.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "settings/colour_names.h"
#include "settings/ini_file.h"
#include "settings/settings_test_util.h"

namespace sheetwright::settings {
namespace {

namespace fs = std::filesystem;
using test_util::ReadFileBytes;
using test_util::TempFolder;
using test_util::TestDataPath;

class SettingsFileTest : public ::testing::Test {
 protected:
  StartupSettings Load(const std::string& content) {
    temp_.Write("vellumist.ini", content);
    return LoadSettings(ini_, program_, table_);
  }
  std::string Section(const std::string& name) {
    return IniFile::Parse(ReadFileBytes(ini_)).GetString(name, "");
  }

  TempFolder temp_;
  std::string program_ = temp_.path() + "/";
  std::string ini_ = temp_.Path("vellumist.ini");
  LayerStyleTable table_;
};

void ExpectSameTables(const StyleSource& a, const StyleSource& b) {
  for (const LayerDef& def : LayerDefs()) {
    EXPECT_EQ(a.Style(def.key).enabled, b.Style(def.key).enabled) << def.name;
    EXPECT_EQ(a.Style(def.key).color, b.Style(def.key).color) << def.name;
    if (def.kind == LayerKind::kPoly) continue;  // a fill's width step is not kept
    EXPECT_EQ(a.Style(def.key).width_step, b.Style(def.key).width_step) << def.name;
  }
  for (const FontDef& def : FontDefs()) EXPECT_EQ(a.Font(def.id), b.Font(def.id)) << def.section;
}

TEST_F(SettingsFileTest, FirstRunReadsNothingAndEndWritesEveryDefault) {
  StartupSettings startup = LoadSettings(ini_, program_, table_);
  EXPECT_EQ(startup.input_folder, "");
  EXPECT_EQ(startup.output_folder, "");
  EXPECT_FALSE(startup.error.has_value());
  EXPECT_FALSE(fs::exists(ini_));
  ExpectSameTables(table_, LayerStyleTable());

  SaveSettings(ini_, table_);
  EXPECT_EQ(ReadFileBytes(ini_), ReadFileBytes(TestDataPath("fresh_save.ini")));
}

// A file that is there but cannot be read is no first run: reading it as empty would switch every
// layer off. (Read permission is tested as an unprivileged user in tests/.)
TEST_F(SettingsFileTest, AFileThatCannotBeReadIsAnError) {
  fs::create_directory(ini_);
  table_.SetEnabled(LayerKey::kKenLine, true);
  try {
    LoadSettings(ini_, program_, table_);
    ADD_FAILURE() << "a folder read as a settings file";
  } catch (const SettingsReadError& e) {
    EXPECT_EQ(std::string(e.what()), ini_ + " を読み込めません: Is a directory");
  }
  EXPECT_TRUE(table_.Style(LayerKey::kKenLine).enabled);
}

TEST_F(SettingsFileTest, ColoursComeFromTheirOwnKeys) {
  table_.SetColor(LayerKey::kParkLine, 0x123);
  table_.SetColor(LayerKey::kBotiLine, 0x456);
  Load(
      "[COLOR]\r\n"
      "SCHOOL_LINE=65280\r\n"
      "TEMPLE_LINE=255\r\n"
      "GAIKU_LINE=$FF\r\n"
      "KEN_LINE=0xFF\r\n"
      "SITYO_LINE=0x\r\n"
      "SUMI_LINE=-2147483640\r\n"
      "PARK_LINE=junk\r\n"
      "BOTI_LINE=0\r\n");
  EXPECT_EQ(table_.Style(LayerKey::kSchoolLine).color, 0x00FF00u);
  EXPECT_EQ(table_.Style(LayerKey::kTempleLine).color, 0x0000FFu);
  EXPECT_EQ(table_.Style(LayerKey::kGaikuLine).color, 0x0000FFu);
  EXPECT_EQ(table_.Style(LayerKey::kKenLine).color, 0x0000FFu);
  EXPECT_EQ(table_.Style(LayerKey::kSityoLine).color, 0u);
  EXPECT_EQ(table_.Style(LayerKey::kSumiLine).color, picture::kClWindowText);
  // No number and 0 both keep what the row holds.
  EXPECT_EQ(table_.Style(LayerKey::kParkLine).color, 0x123u);
  EXPECT_EQ(table_.Style(LayerKey::kBotiLine).color, 0x456u);
  EXPECT_EQ(table_.Style(LayerKey::kSchoolPoly).color, 0u);
  EXPECT_EQ(table_.Style(LayerKey::kTemplePoly).color, 0u);
}

TEST_F(SettingsFileTest, OnlyExactlyOnSwitchesALayerOn) {
  table_.SetEnabled(LayerKey::kSumiLine, true);
  Load(
      "[CONVERT]\r\n"
      "GAIKU_LINE=ON\r\n"
      "GAIKU_POLY=on\r\n"
      "GAIKU_NAME=1\r\n"
      "KEN_LINE=On\r\n"
      "KUIKI_LINE=ON\r\n"
      "SUMI_LINE=\r\n");
  EXPECT_TRUE(table_.Style(LayerKey::kGaikuLine).enabled);
  EXPECT_FALSE(table_.Style(LayerKey::kGaikuPoly).enabled);
  EXPECT_FALSE(table_.Style(LayerKey::kGaikuName).enabled);
  EXPECT_FALSE(table_.Style(LayerKey::kKenLine).enabled);
  EXPECT_TRUE(table_.Style(LayerKey::kKuikiLine).enabled);  // the hidden row, from the file only
  EXPECT_TRUE(table_.Style(LayerKey::kSumiLine).enabled);   // nothing switches a row off
}

TEST_F(SettingsFileTest, WidthStepsAreClampedAndZeroOrJunkKeepTheDefault) {
  Load(
      "[HABA]\r\n"
      "GAIKU_LINE=9\r\n"
      "KEN_LINE=-2\r\n"
      "SITYO_LINE=0x2\r\n"
      "TYOME_LINE=wide\r\n"
      "LOAD_LINE=0\r\n"
      "EKI_NAME=$4\r\n"
      "GAIKU_POLY=1\r\n");
  EXPECT_EQ(table_.Style(LayerKey::kGaikuLine).width_step, 5);
  EXPECT_EQ(table_.Style(LayerKey::kKenLine).width_step, 1);
  EXPECT_EQ(table_.Style(LayerKey::kSityoLine).width_step, 2);
  EXPECT_EQ(table_.Style(LayerKey::kTyomeLine).width_step, 3);
  EXPECT_EQ(table_.Style(LayerKey::kLoadLine).width_step, 3);
  EXPECT_EQ(table_.Style(LayerKey::kEkiName).width_step, 4);
  EXPECT_EQ(table_.Style(LayerKey::kGaikuPoly).width_step, 3);  // fills have no width key
}

TEST_F(SettingsFileTest, SectionAndKeyNamesMatchInAnyCase) {
  Load(
      "[color]\r\nschool_line=255\r\n"
      "[Convert]\r\nSchool_Line=ON\r\n"
      "[haba]\r\nschool_line=1\r\n"
      "[FONTSCHOOL]\r\nNAME=IPAGothic\r\nsize=10\r\n");
  EXPECT_EQ(table_.Style(LayerKey::kSchoolLine).color, 0xFFu);
  EXPECT_TRUE(table_.Style(LayerKey::kSchoolLine).enabled);
  EXPECT_EQ(table_.Style(LayerKey::kSchoolLine).width_step, 1);
  EXPECT_EQ(table_.Font(FontId::kSchool).face_name, "IPAGothic");
  EXPECT_EQ(table_.Font(FontId::kSchool).height, -13);
  EXPECT_EQ(table_.Font(FontId::kPark), LabelFont());
}

// Only an empty entry falls back; a stored folder that is gone (an unmounted share) or no folder
// stays as stored, marked missing.
TEST_F(SettingsFileTest, FoldersFallBackToTheProgramFolder) {
  std::string input = temp_.Path("maps") + "/";
  fs::create_directory(input);
  fs::create_directory(temp_.Path("gone"));
  std::string gone = temp_.Path("gone");
  fs::remove(gone);
  StartupSettings startup = Load("[FILE]\r\nINPUT=" + input + "\r\nOUTPUT=" + gone + "\r\n");
  EXPECT_EQ(startup.input_folder, input);  // as stored, trailing "/" and all
  EXPECT_FALSE(startup.input_missing);
  EXPECT_EQ(startup.output_folder, gone);
  EXPECT_TRUE(startup.output_missing);

  startup = Load("[FILE]\r\nINPUT=" + ini_ + "\r\nOUTPUT=\r\n");  // a file is no folder
  EXPECT_EQ(startup.input_folder, ini_);
  EXPECT_TRUE(startup.input_missing);
  EXPECT_EQ(startup.output_folder, program_);
  EXPECT_FALSE(startup.output_missing);
  EXPECT_FALSE(startup.error.has_value());
}

TEST_F(SettingsFileTest, FontKeysApplyByTheirReadRules) {
  LabelFont eki;
  eki.style = 1;
  table_.SetFont(FontId::kEki, eki);
  Load(
      "[FontCyo]\r\nStyle=3\r\nPitch=2\r\nColor=clred\r\nSize=10\r\nName=IPAPMincho\r\n"
      "[FontEki]\r\nStyle=256\r\nPitch=0\r\nColor=\r\nSize=0\r\nName=\r\n"
      "[FontMizu]\r\nStyle=$1F3\r\nColor=$00123456\r\nSize=12\r\n");
  LabelFont cyo = table_.Font(FontId::kCyo);
  EXPECT_EQ(cyo.style, 3);
  EXPECT_EQ(cyo.pitch, 2);
  EXPECT_EQ(cyo.color, 0x0000FFu);
  EXPECT_EQ(cyo.height, -13);
  EXPECT_EQ(cyo.face_name, "IPAPMincho");
  EXPECT_EQ(cyo.charset, 128);
  // 256 is not zero, so it sets the style, from its low 8 bits: none. Empty and 0 keep the rest.
  EXPECT_EQ(table_.Font(FontId::kEki).style, 0);
  LabelFont rest = table_.Font(FontId::kEki);
  rest.style = 0;
  EXPECT_EQ(rest, LabelFont());
  EXPECT_EQ(table_.Font(FontId::kMizu).style, 0xF3);
  EXPECT_EQ(table_.Font(FontId::kMizu).color, 0x00123456u);
  EXPECT_EQ(table_.Font(FontId::kMizu).height, -16);
}

// One misspelled colour costs that colour only: every other value, the later fonts included, is
// read, and the next End keeps them.
TEST_F(SettingsFileTest, ABadFontColourCostsThatColourOnly) {
  StartupSettings startup =
      Load("[FILE]\r\nINPUT=" + program_ +
           "\r\n"
           "[FontCyo]\r\nSize=20\r\n"
           "[FontSi]\r\nStyle=1\r\nPitch=1\r\nColor=赤\r\nSize=30\r\nName=IPAGothic\r\n"
           "[FontGai]\r\nSize=30\r\n");
  ASSERT_TRUE(startup.error.has_value());
  EXPECT_EQ(*startup.error, ini_ + " [FontSi] Color: '赤' は整数ではありません");
  EXPECT_EQ(startup.input_folder, program_);
  EXPECT_EQ(table_.Font(FontId::kCyo).height, FontHeightFromSize(20));
  LabelFont si = table_.Font(FontId::kSi);
  EXPECT_EQ(si.style, 1);
  EXPECT_EQ(si.pitch, 1);
  EXPECT_EQ(si.height, FontHeightFromSize(30));
  EXPECT_EQ(si.face_name, "IPAGothic");
  EXPECT_EQ(si.color, picture::kClWindowText);
  EXPECT_EQ(table_.Font(FontId::kGai).height, FontHeightFromSize(30));

  SaveSettings(ini_, table_);
  LayerStyleTable again;
  EXPECT_FALSE(LoadSettings(ini_, program_, again).error.has_value());
  ExpectSameTables(table_, again);
}

// A path written on Windows names its folder in CP932: the bytes find it.
TEST_F(SettingsFileTest, AFolderNamedInShiftJisIsUsedByItsBytes) {
  const std::string stored = temp_.Path("\x92\x6E\x90\x7D");  // 地図
  // POSIX: the same bytes; Windows: the UTF-8 path of the folder that CP932 names.
  const std::string folder = platform::SettingsTextToPath(stored);
  fs::create_directory(fs::u8path(folder));
  StartupSettings startup = Load("[FILE]\r\nINPUT=" + stored + "\r\n");
  EXPECT_EQ(startup.input_folder, folder);
  StoreFolder(ini_, "OUTPUT", folder);
  EXPECT_EQ(LoadSettings(ini_, program_, table_).output_folder, folder);
}

// A table with a different value in every field the file holds.
void FillWithChanges(LayerStyleTable& table) {
  int i = 0;
  for (const LayerDef& def : LayerDefs()) {
    ++i;
    table.SetEnabled(def.key, i % 3 != 0);
    table.SetColor(def.key, i % 7 == 0 ? 0x80000000u + i : i * 0x010203u);
    table.SetWidthStep(def.key, i % 5 + 1);
  }
  const char* faces[] = {"IPAPGothic", "ＭＳ 明朝", "Noto Sans CJK JP", "a=b"};
  for (const FontDef& def : FontDefs()) {
    int n = static_cast<int>(def.id);
    LabelFont font;
    font.face_name = faces[n % 4];
    font.height = FontHeightFromSize(6 + n);
    font.style = n;
    font.pitch = n % 3;
    font.color = n % 2 ? ColorNames()[n * 4].value : 0x00123456u + n;
    table.SetFont(def.id, font);
  }
}

TEST_F(SettingsFileTest, EndStartEndKeepsEveryValueAndEveryByte) {
  temp_.Write("vellumist.ini",
              "; my settings\r\n"
              "[FILE]\r\n"
              "INPUT=/nowhere\r\n"
              "[Mine]\r\n"
              "keep=me\r\n"
              "\r\n"
              "[color]\r\n"
              "gaiku_line=5\r\n"
              "extra=1\r\n");
  LayerStyleTable changed;
  FillWithChanges(changed);
  SaveSettings(ini_, changed);
  std::string first = ReadFileBytes(ini_);
  EXPECT_EQ(
      first.rfind("; my settings\r\n[FILE]\r\nINPUT=/nowhere\r\n[Mine]\r\nkeep=me\r\n\r\n", 0), 0u);
  EXPECT_NE(first.find("[color]\r\ngaiku_line=" +
                       std::to_string(changed.Style(LayerKey::kGaikuLine).color) +
                       "\r\nextra=1\r\nGAIKU_POLY="),
            std::string::npos);
  EXPECT_NE(first.find("Color=$00123456\r\n"), std::string::npos);

  LayerStyleTable restored;
  StartupSettings startup = LoadSettings(ini_, program_, restored);
  EXPECT_FALSE(startup.error.has_value());
  ExpectSameTables(changed, restored);
  SaveSettings(ini_, restored);
  EXPECT_EQ(ReadFileBytes(ini_), first);
}

TEST_F(SettingsFileTest, AFileFromTheReferencePlatformIsRead) {
  fs::copy_file(TestDataPath("reference_cp932.ini"), ini_);
  StartupSettings startup = LoadSettings(ini_, program_, table_);
  EXPECT_FALSE(startup.error.has_value());
  // "C:\..." is no folder here: kept as stored, in its bytes, and marked missing.
  EXPECT_EQ(startup.input_folder,
            platform::SettingsTextToPath(base::Utf8ToCp932("C:\\地図\\ソフト表示")));
  EXPECT_TRUE(startup.input_missing);
  EXPECT_EQ(table_.Style(LayerKey::kGaikuLine).color, 0xFFu);
  EXPECT_TRUE(table_.Style(LayerKey::kGaikuLine).enabled);
  EXPECT_EQ(table_.Style(LayerKey::kGaikuLine).width_step, 5);
  LabelFont cyo = table_.Font(FontId::kCyo);
  EXPECT_EQ(cyo.face_name, "ＭＳ 明朝");
  EXPECT_EQ(cyo.style, 3);
  EXPECT_EQ(cyo.pitch, 1);
  EXPECT_EQ(cyo.color, 0xFF0000u);
  EXPECT_EQ(cyo.height, -16);
  EXPECT_EQ(table_.Font(FontId::kSi).face_name, "ＭＳ ゴシック");

  SaveSettings(ini_, table_);
  IniFile written = *IniFile::Load(ini_);
  EXPECT_EQ(written.GetString("FILE", "INPUT"), "C:\\地図\\ソフト表示");
  LayerStyleTable again;
  LoadSettings(ini_, program_, again);
  ExpectSameTables(table_, again);
}

TEST_F(SettingsFileTest, FolderChoicesWriteOnlyTheirEntry) {
  StoreFolder(ini_, "INPUT", "/data/meshes/");
  EXPECT_EQ(ReadFileBytes(ini_), "[FILE]\r\nINPUT=/data/meshes/\r\n");
  StoreFolder(ini_, "OUTPUT", "/data/out");
  StoreFolder(ini_, "INPUT", "/data/other");
  EXPECT_EQ(ReadFileBytes(ini_), "[FILE]\r\nINPUT=/data/other\r\nOUTPUT=/data/out\r\n");

  // The End writing goes after FILE, which stays first; a later choice changes its line only.
  SaveSettings(ini_, table_);
  StoreFolder(ini_, "OUTPUT", "/data/out 2 ");
  std::string expected = "[FILE]\r\nINPUT=/data/other\r\nOUTPUT=\"/data/out 2 \"\r\n" +
                         ReadFileBytes(TestDataPath("fresh_save.ini"));
  EXPECT_EQ(ReadFileBytes(ini_), expected);
  LayerStyleTable table;
  EXPECT_EQ(LoadSettings(ini_, program_, table).output_folder, "/data/out 2 ");
}

// Runs `save` and checks that it throws SettingsWriteError with the message for `path` and a
// reason.
template <typename Save>
void ExpectWriteError(const std::string& path, Save save) {
  try {
    save();
    ADD_FAILURE() << "no error for " << path;
  } catch (const SettingsWriteError& e) {
    const std::string text = e.what(), prefix = path + " に書き込めません: ";
    EXPECT_EQ(text.substr(0, prefix.size()), prefix);
    EXPECT_GT(text.size(), prefix.size()) << "a reason";
  }
}

TEST_F(SettingsFileTest, AFailedWriteNamesTheFileAndLeavesItWhole) {
  std::string under_a_file = temp_.Write("plain", "") + "/vellumist.ini";
  ExpectWriteError(under_a_file, [&] { SaveSettings(under_a_file, table_); });
  ExpectWriteError(under_a_file, [&] { StoreFolder(under_a_file, "INPUT", "/x"); });
  std::string folder = temp_.Path("folder.ini");
  fs::create_directory(folder);
  ExpectWriteError(folder, [&] { SaveSettings(folder, table_); });
  EXPECT_TRUE(fs::is_directory(folder));

  // Values no INI line can hold fail before anything is written.
  std::string old = "[FILE]\r\nINPUT=/a\r\n; mine\r\n";
  temp_.Write("vellumist.ini", old);
  LabelFont bad;
  bad.face_name = "two\nlines";
  table_.SetFont(FontId::kMizu, bad);
  ExpectWriteError(ini_, [&] { SaveSettings(ini_, table_); });
  ExpectWriteError(ini_, [&] { StoreFolder(ini_, "OUTPUT", "/new\nline"); });
  EXPECT_EQ(ReadFileBytes(ini_), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(temp_.path()), fs::directory_iterator()), 3);
}

#ifndef _WIN32  // file-size limits
TEST_F(SettingsFileTest, AWriteCutShortLeavesTheOldFileWhole) {
  std::string old = "[FILE]\r\nINPUT=/a\r\n";
  temp_.Write("vellumist.ini", old);
  // In a child process, files may not grow beyond 100 bytes: the full settings are far longer, so
  // the write fails halfway (root is not exempt from this limit, unlike from permissions).
  auto save_with_small_files = [&] {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{100, 100};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    try {
      SaveSettings(ini_, table_);
    } catch (const SettingsWriteError& e) {
      ::_exit(std::string(e.what()) == ini_ + " に書き込めません: File too large" ? 0 : 2);
    }
    ::_exit(1);
  };
  EXPECT_EXIT(save_with_small_files(), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFileBytes(ini_), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(temp_.path()), fs::directory_iterator()), 1);
}
#endif

#ifndef _WIN32  // symbolic links
TEST_F(SettingsFileTest, ALinkedSettingsFileStaysALink) {
  fs::create_directory(temp_.Path("dotfiles"));
  std::string target = temp_.Write("dotfiles/vellumist.ini", "[Mine]\r\nkeep=me\r\n");
  fs::create_symlink(target, ini_);
  SaveSettings(ini_, table_);
  EXPECT_TRUE(fs::is_symlink(ini_));
  EXPECT_EQ(ReadFileBytes(target),
            "[Mine]\r\nkeep=me\r\n" + ReadFileBytes(TestDataPath("fresh_save.ini")));
}
#endif

TEST(SettingsPathTest, TheFileSitsBesideTheExecutable) {
  std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), platform::kSeparator);
  EXPECT_TRUE(fs::exists(folder + "settings_tests") || fs::exists(folder + "settings_tests.exe"));
  EXPECT_EQ(DefaultSettingsPath(), folder + "vellumist.ini");
}

// A file that is no INI text (plain text without a section or entry, binary bytes, UTF-16 without
// its byte-order mark) is read as no file and never written over; a stored folder that is gone
// stays the folder, marked missing.
TEST_F(SettingsFileTest, AForeignFileIsLeftAloneAndAMissingFolderStaysStored) {
  std::string utf16 = std::string("[\0C\0O\0N\0V\0E\0R\0T\0]\0\r\0\n\0", 22);
  for (std::string foreign : {std::string("not a settings file\nat all\n"), utf16,
                              std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)}) {
    temp_.Write("vellumist.ini", foreign);
    StartupSettings startup = LoadSettings(ini_, program_, table_);
    EXPECT_TRUE(startup.foreign);
    EXPECT_FALSE(startup.recognised);
    EXPECT_FALSE(AnyLayerOn(table_));
    EXPECT_THROW(SaveSettings(ini_, table_), NotSettingsFileError);
    EXPECT_THROW(StoreFolder(ini_, "INPUT", "/tmp"), NotSettingsFileError);
    EXPECT_EQ(ReadFileBytes(ini_), foreign);
  }
  StartupSettings startup = Load("; notes\r\n");
  EXPECT_FALSE(startup.foreign);

  startup = Load("[FILE]\r\nINPUT=/no/such/share\r\nOUTPUT=" + temp_.path() + "\r\n");
  EXPECT_EQ(startup.input_folder, "/no/such/share");
  EXPECT_TRUE(startup.input_missing);
  EXPECT_FALSE(startup.output_missing);
}

}  // namespace
}  // namespace sheetwright::settings
