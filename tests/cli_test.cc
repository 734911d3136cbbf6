// sheetwright-convert as a user runs it: options, exit statuses, what it prints, what it stores.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "conversion/mesh_test_util.h"
#include "output/wmf/wmf_reader_test_util.h"
#include "process_test_util.h"

namespace sheetwright {
namespace {

namespace fs = std::filesystem;
using conversion::test_util::TestMesh;
using test_util::ProcessResult;
using test_util::ReadFileBytes;
using test_util::TempFolder;
using ::testing::HasSubstr;
using ::testing::Not;

const std::string kExampleSettings = SHEETWRIGHT_SOURCE_DIR "/examples/vellumist.ini";

ProcessResult Convert(const std::vector<std::string>& args) {
  return test_util::RunProgram(test_util::ConverterPath(), args);
}

TestMesh BrokenMesh() {
  TestMesh mesh;
  mesh.files()["road/roadntwk.arc"] = "533945,ARC,1,3\r\nL2110,1,1,2\r\n400.0,0.0\r\nx,1.0\r\n";
  return mesh;
}

size_t DrawOps(const std::string& wmf_path) {
  auto file = output::wmftest::ParseWmf(ReadFileBytes(wmf_path));
  return output::wmftest::Play(file).ops.size();
}

class CliTest : public ::testing::Test {
 protected:
  std::string in() const { return dir_ / "in"; }
  std::string out() const { return dir_ / "out"; }
  std::string out(const std::string& file) const { return dir_ / ("out/" + file); }
  void AddMesh(const std::string& name, const TestMesh& mesh = TestMesh()) {
    mesh.Write(dir_ / ("in/" + name));
  }
  TempFolder dir_;
};

TEST_F(CliTest, HelpAndVersion) {
  ProcessResult help = Convert({"--help"});
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_THAT(help.out, HasSubstr("Usage: sheetwright-convert [options] INPUT_DIR OUTPUT_DIR"));
  EXPECT_THAT(help.out, HasSubstr("--keep-going"));
  ProcessResult version = Convert({"--version"});
  EXPECT_EQ(version.exit_status, 0);
  EXPECT_THAT(version.out, HasSubstr("sheetwright-convert 0."));
}

TEST_F(CliTest, BadUsageExitsWithTwoAndSaysWhy) {
  AddMesh("A");
  struct Case {
    std::vector<std::string> args;
    std::string says;
  };
  const std::vector<Case> cases = {
      {{}, "missing INPUT_DIR"},
      {{in()}, "missing OUTPUT_DIR"},
      {{"--format", "gif", in(), out()}, "unknown format 'gif'"},
      {{"-f", "wmf,", in(), out()}, "unknown format ''"},
      {{"-j", "0", in(), out()}, "--jobs"},
      {{"--jobs=two", in(), out()}, "--jobs"},
      {{"--frobnicate", in(), out()}, "unknown option '--frobnicate'"},
      {{in(), out(), "-s"}, "needs a value"},
      {{dir_ / "nowhere", out()}, "input folder '" + (dir_ / "nowhere") + "' does not exist"},
      {{in(), out(), "A", "Z"}, "mesh 'Z' is not a folder"},
      {{in(), out(), "../in"}, "not a mesh name"},
      {{"-s", dir_ / "none.ini", in(), out()}, "settings file"},
      {{"-s", SHEETWRIGHT_SOURCE_DIR "/examples/meshes/533945-urban/gaiku/GAIKU.ARC", in(), out()},
       "is no settings file"},
  };
  for (const Case& c : cases) {
    ProcessResult r = Convert(c.args);
    std::string shown = ::testing::PrintToString(c.args);
    EXPECT_EQ(r.exit_status, 2) << shown;
    EXPECT_THAT(r.err, HasSubstr(c.says)) << shown;
    EXPECT_THAT(r.err, HasSubstr("--help")) << shown;
  }
  EXPECT_FALSE(fs::exists(out("A.wmf")));
}

TEST_F(CliTest, ConvertsEveryMeshInNameOrderOrOnlyTheNamedOnes) {
  for (const char* name : {"b", "A", "c"}) AddMesh(name);
  fs::create_directories(dir_ / "in/.git");
  ProcessResult all = Convert({"-s", kExampleSettings, "-j", "1", in(), out()});
  EXPECT_EQ(all.exit_status, 0) << all.err;
  size_t a = all.err.find("[1/3] A ->"), b = all.err.find("[2/3] b ->"),
         c = all.err.find("[3/3] c ->");
  EXPECT_TRUE(a != std::string::npos && b != std::string::npos && c != std::string::npos)
      << all.err;
  EXPECT_TRUE(a < b && b < c);
  EXPECT_THAT(all.err, HasSubstr("3 of 3 meshes stored"));
  for (const char* name : {"A.wmf", "b.wmf", "c.wmf"}) EXPECT_TRUE(fs::exists(out(name)));
  EXPECT_FALSE(fs::exists(out(".git.wmf")));

  TempFolder other;
  ProcessResult named = Convert({"-s", kExampleSettings, "-q", in(), other / "o", "c"});
  EXPECT_EQ(named.exit_status, 0);
  EXPECT_EQ(named.err, "");
  EXPECT_TRUE(fs::exists(other / "o/c.wmf"));  // the output folder is created
  EXPECT_FALSE(fs::exists(other / "o/A.wmf"));
}

TEST_F(CliTest, BadRecordsAreReportedWithTheMeshName) {
  TestMesh mesh;
  mesh.files()["gaiku/GAIKU.PGN"] =
      conversion::test_util::PolygonFile({{"A3101", 1, {77}, {650, 650}}});
  AddMesh("m1", mesh);
  ProcessResult r = Convert({"-q", "-s", kExampleSettings, in(), out()});
  EXPECT_EQ(r.exit_status, 0);
  // The block fill and the block outline each report the missing arc, and where it is named.
  EXPECT_EQ(r.err,
            "m1/gaiku/GAIKU.PGN:3: ARCID-NOTFOUND=77\nm1/gaiku/GAIKU.PGN:3: ARCID-NOTFOUND=77\n");
}

TEST_F(CliTest, FailedMeshGivesStatusOneAndStopsUnlessKeepGoing) {
  AddMesh("A");
  AddMesh("B", BrokenMesh());
  AddMesh("C");
  fs::create_directories(out());
  { std::ofstream(out("B.wmf")) << "old"; }
  ProcessResult stop = Convert({"-s", kExampleSettings, in(), out()});
  EXPECT_EQ(stop.exit_status, 1);
  EXPECT_THAT(stop.err, HasSubstr("\nB/road/roadntwk.arc:4: 'x' は浮動小数点数ではありません\n"));
  EXPECT_TRUE(fs::exists(out("A.wmf")));
  EXPECT_EQ(ReadFileBytes(out("B.wmf")), "old");
  EXPECT_FALSE(fs::exists(out("C.wmf")));

  ProcessResult on = Convert({"--keep-going", "-s", kExampleSettings, in(), out()});
  EXPECT_EQ(on.exit_status, 1);
  EXPECT_TRUE(fs::exists(out("C.wmf")));
  EXPECT_THAT(on.err, HasSubstr("2 of 3 meshes stored"));
}

// The map data as GeoPackage: one file per mesh put in place only when complete (a failed mesh
// keeps the old file and leaves no temporary folder), or every mesh into one file, where the
// failed mesh leaves nothing; no drawing unless asked for.
TEST_F(CliTest, GeoPackagePerMeshOrIntoOneFile) {
  AddMesh("A");
  AddMesh("B", BrokenMesh());
  AddMesh("C");
  fs::create_directories(out());
  { std::ofstream(out("B.gpkg")) << "old"; }
  ProcessResult each = Convert({"-f", "gpkg", "-j", "2", "--keep-going", in(), out()});
  EXPECT_EQ(each.exit_status, 1);
  EXPECT_THAT(each.err, HasSubstr("\nB/road/roadntwk.arc:4: 'x' は浮動小数点数ではありません\n"));
  EXPECT_THAT(each.err, Not(HasSubstr("no settings file")));
  EXPECT_EQ(ReadFileBytes(out("B.gpkg")), "old");
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(out())) files.push_back(entry.path().filename());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"A.gpkg", "B.gpkg", "C.gpkg"}));

  std::string all = dir_ / "all.gpkg";
  ProcessResult into = Convert({"--into", all, "--keep-going", in(), out()});
  EXPECT_EQ(into.exit_status, 1);
  ProcessResult meshes = test_util::RunProgram(
      "/usr/bin/ogrinfo", {"-q", all, "-sql", "SELECT DISTINCT mesh FROM road_arc ORDER BY mesh"});
  EXPECT_THAT(meshes.out, HasSubstr("mesh (String) = A"));
  EXPECT_THAT(meshes.out, HasSubstr("mesh (String) = C"));
  EXPECT_THAT(meshes.out, Not(HasSubstr("mesh (String) = B")));
  EXPECT_FALSE(fs::exists(out("A.wmf")));
  // The summary names the file the meshes went into; a second run replaces them, never doubles.
  EXPECT_THAT(into.err, HasSubstr("2 of 3 meshes stored in " + all));
  auto count = [&] {
    return test_util::RunProgram(
               "/usr/bin/ogrinfo",
               {"-q", all, "-sql", "SELECT count(*) FROM road_arc WHERE mesh='A'"})
        .out;
  };
  const std::string first = count();
  ProcessResult again = Convert({"--into", all, in(), out(), "A"});
  EXPECT_EQ(again.exit_status, 0);
  EXPECT_THAT(again.err, HasSubstr("held this mesh already"));
  EXPECT_EQ(count(), first);
}

// Sheets named by their codes place themselves; the sheet index holds one frame per sheet, in
// the CRS of their zone on the chosen datum. A header that contradicts its name fails the mesh.
TEST_F(CliTest, PlacedSheetsAndTheirIndex) {
  AddMesh("07MD623");
  AddMesh("07MD624");
  std::string all = dir_ / "town.gpkg";
  ProcessResult placed = Convert({"--into", all, "--place", "--datum", "jgd2011", in(), out()});
  EXPECT_EQ(placed.exit_status, 0) << placed.err;
  ProcessResult index = test_util::RunProgram(
      "/usr/bin/ogrinfo", {"-q", "-geom=YES", all, "sheet_index", "-where", "mesh='07MD624'"});
  EXPECT_THAT(index.out, HasSubstr("sheet_code (String) = 07MD624"));
  EXPECT_THAT(index.out, HasSubstr("zone (Integer) = 7"));
  EXPECT_THAT(index.out, HasSubstr("datum (String) = JGD2011"));
  EXPECT_THAT(index.out, HasSubstr("POLYGON ((-30000 -81000,-28000 -81000,-28000 -79500"));
  ProcessResult crs = test_util::RunProgram("/usr/bin/ogrinfo", {"-so", all, "road_arc"});
  EXPECT_THAT(crs.out, HasSubstr("6675"));  // JGD2011 zone VII

  TestMesh wrong;
  wrong.files()["road/roadntwk.arc"] =
      "FH,07MD623,roadntwk.arc,0,0,2,7,1,-81000.0,-32000.0,-79500.0,-30000.0,-79500.0,-32000.0,"
      "-81000.0,-30000.0\r\n";
  AddMesh("07MD622", wrong);
  ProcessResult refused = Convert({"--into", all, "--place", in(), out(), "07MD622"});
  EXPECT_EQ(refused.exit_status, 1);
  EXPECT_THAT(refused.err, HasSubstr("but the sheet code 07MD622 at zone 7, north -79500.0"));
  ProcessResult bad_datum = Convert({"--datum", "wgs84", in(), out()});
  EXPECT_EQ(bad_datum.exit_status, 2);
}

TEST_F(CliTest, SeveralJobsStoreTheSameBytes) {
  std::vector<std::string> names;
  for (int i = 0; i < 5; ++i) {
    TestMesh mesh;
    if (i == 1) mesh.Remove("gyousei/gyousei.arc");
    if (i == 3) mesh.Remove("others/eki.pnt");
    AddMesh("m" + std::to_string(i), mesh);
    names.push_back("m" + std::to_string(i));
  }
  // One job draws each PNG in bands of rows on the idle cores, two jobs each in one piece.
  ProcessResult one =
      Convert({"-j", "1", "-f", "wmf,svg,png,gpkg", "-s", kExampleSettings, in(), out()});
  ProcessResult two = Convert(
      {"--jobs", "2", "--format=wmf,svg,png,gpkg", "-s", kExampleSettings, in(), dir_ / "out2"});
  ASSERT_EQ(one.exit_status, 0);
  ASSERT_EQ(two.exit_status, 0);
  // Same progress lines but for the output folder named in them.
  auto lines = [](std::string text, const std::string& folder) {
    for (size_t at; (at = text.find(folder)) != std::string::npos;) text.erase(at, folder.size());
    return text;
  };
  EXPECT_EQ(lines(one.err, out()), lines(two.err, dir_ / "out2"));
  for (const std::string& n : names) {
    for (const char* ext : {".wmf", ".svg", ".png", ".gpkg"}) {
      std::string a = ReadFileBytes(out(n + ext));
      ASSERT_FALSE(a.empty());
      EXPECT_TRUE(ReadFileBytes(dir_ / ("out2/" + n + ext)) == a) << n << ext;
    }
  }
}

// The settings file beside the executable is the default; without it every layer is off. Blank
// drawings are said once, also with -q: without a default file, or with a file that turns every
// layer off.
TEST_F(CliTest, DefaultSettingsFileSitsBesideTheProgram) {
  AddMesh("A");
  AddMesh("B");
  fs::create_directories(dir_ / "bin");
  std::string program = dir_ / "bin/sheetwright-convert";
  std::string ini = dir_ / "bin/vellumist.ini";
  fs::copy_file(test_util::ConverterPath(), program);
  ProcessResult off = test_util::RunProgram(program, {"-q", in(), out()});
  ASSERT_EQ(off.exit_status, 0) << off.err;
  EXPECT_EQ(DrawOps(out("A.wmf")), 0u);
  EXPECT_EQ(off.err, "sheetwright-convert: no settings file at " + ini +
                         ": every layer is off (use -s FILE, e.g. examples/vellumist.ini)\n");

  { std::ofstream(ini) << "[CONVERT]\r\nSUMI_LINE=ON\r\n"; }
  ProcessResult marks = test_util::RunProgram(program, {"-q", in(), out()});
  ASSERT_EQ(marks.exit_status, 0) << marks.err;
  EXPECT_EQ(DrawOps(out("A.wmf")), 8u);
  EXPECT_EQ(marks.err, "");

  const std::string all_off =
      "sheetwright-convert: the settings file " + ini + " turns every layer off\n";
  { std::ofstream(ini) << "[CONVERT]\r\nSUMI_LINE=on\r\n"; }
  ProcessResult quiet = test_util::RunProgram(program, {"-q", in(), out()});
  EXPECT_EQ(quiet.exit_status, 0);
  EXPECT_EQ(quiet.err, all_off);
  ProcessResult named = Convert({"-s", ini, in(), out()});
  EXPECT_EQ(named.exit_status, 0);
  EXPECT_THAT(named.err, HasSubstr(all_off));
  EXPECT_EQ(named.err.find(all_off), named.err.rfind(all_off));
}

// Installed (the example in ../share/sheetwright/), the default is the user's own file; before it
// exists the example is read, and the converter says so. --help names the file.
TEST_F(CliTest, AnInstalledConverterReadsTheUsersSettings) {
  AddMesh("A");
  fs::create_directories(dir_ / "usr/bin");
  std::string program = dir_ / "usr/bin/sheetwright-convert";
  fs::copy_file(test_util::ConverterPath(), program);
  std::string example = dir_ / "usr/share/sheetwright/vellumist.ini";
  fs::create_directories(fs::path(example).parent_path());
  fs::copy_file(kExampleSettings, example);
  ::setenv("XDG_CONFIG_HOME", (dir_ / "xdg").c_str(), 1);
  ProcessResult help = test_util::RunProgram(program, {"--help"});
  ProcessResult first = test_util::RunProgram(program, {"-q", in(), out()});
  ::unsetenv("XDG_CONFIG_HOME");
  std::string user_file = dir_ / "xdg/sheetwright/vellumist.ini";
  EXPECT_THAT(help.out, HasSubstr(user_file));
  EXPECT_EQ(first.exit_status, 0) << first.err;
  EXPECT_EQ(first.err, "sheetwright-convert: no settings file at " + user_file + " yet: reading " +
                           dir_ / "usr/share/sheetwright/vellumist.ini" + "\n");
  EXPECT_GT(DrawOps(out("A.wmf")), 0u);
}

TEST_F(CliTest, BadFontColourIsReportedAndTheConversionGoesOn) {
  AddMesh("A");
  std::string ini = dir_ / "bad.ini";
  {
    std::ofstream(ini)
        << "[CONVERT]\r\nGAIKU_NAME=ON\r\nKEN_LINE=ON\r\n[FontGai]\r\nColor=mauve\r\n";
  }
  ProcessResult r = Convert({"-q", "-s", ini, in(), out()});
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_THAT(r.err, HasSubstr("'mauve' は整数ではありません"));
  auto play = output::wmftest::Play(output::wmftest::ParseWmf(ReadFileBytes(out("A.wmf"))));
  size_t texts = 0, lines = 0;
  for (auto& op : play.ops) (op.text.bytes.empty() ? lines : texts) += 1;
  EXPECT_EQ(texts, 1u);  // the block number, in the default font
  EXPECT_GT(lines, 0u);  // the prefecture boundary
}

// A file-size limit must turn into a failed store, not kill the program halfway through a file.
TEST_F(CliTest, FileSizeLimitIsAFailedStoreThatKeepsTheOldFile) {
  AddMesh("A");
  std::string old(3000, 'o');
  fs::create_directories(out());
  { std::ofstream(out("A.wmf")) << old; }
  ProcessResult r =
      test_util::RunProgram(test_util::ConverterPath(), {"-s", kExampleSettings, in(), out()}, 512);
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_THAT(r.err, HasSubstr("A: "));
  EXPECT_THAT(r.err, HasSubstr("に書き込めません"));
  EXPECT_TRUE(ReadFileBytes(out("A.wmf")) == old);
}

TEST_F(CliTest, PlainProgressLinesUnlessQuiet) {
  AddMesh("A");
  ProcessResult loud = Convert({"-s", kExampleSettings, in(), out()});
  EXPECT_THAT(loud.err, HasSubstr("[1/1] A -> " + out("A.wmf")));
  EXPECT_THAT(loud.err, Not(HasSubstr("\r")));  // not a terminal: no bar
  ProcessResult quiet = Convert({"--quiet", "-s", kExampleSettings, in(), out()});
  EXPECT_EQ(quiet.err, "");
  EXPECT_EQ(quiet.out, "");
}

}  // namespace
}  // namespace sheetwright
