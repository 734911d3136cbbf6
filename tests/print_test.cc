// Maps printed at a true scale, measured as a reader draws them: the page size pdfinfo reports
// and the frame's length in a render.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "conversion/mesh_test_util.h"
#include "process_test_util.h"

namespace sheetwright {
namespace {

using test_util::ProcessResult;
using test_util::ReadFileBytes;
using test_util::TempFolder;
using ::testing::HasSubstr;

// The centres of the dark runs of one row of a binary PGM ("P5 W 1 255" then the bytes).
std::vector<double> DarkRuns(const std::string& pgm) {
  std::istringstream header(pgm);
  std::string magic;
  int width = 0, height = 0, most = 0;
  header >> magic >> width >> height >> most;
  std::string_view row = std::string_view(pgm).substr(static_cast<size_t>(header.tellg()) + 1);
  std::vector<double> centres;
  for (int x = 0; x < width;) {
    if (static_cast<unsigned char>(row[x]) >= 128) {
      ++x;
      continue;
    }
    int start = x;
    while (x < width && static_cast<unsigned char>(row[x]) < 128) ++x;
    centres.push_back((start + x - 1) / 2.0);
  }
  return centres;
}

// A 2000 m sheet at 1:2500 is 800.0 mm on the page: the frame's west and east edges in a render
// of 254 dpi (a pixel is 0.1 mm) lie 8000 pixels apart, in the middle of the window of A0
// landscape (the smallest paper whose window holds 800 x 600 mm).
TEST(PrintTest, A2000MetreEdgeAt1To2500Is800Millimetres) {
  TempFolder dir;
  conversion::test_util::TestMesh().Write(dir / "in/07MD623");
  std::string empty_settings = dir.Write("none.ini", "[CONVERT]\r\n");
  ProcessResult run = test_util::RunProgram(
      test_util::ConverterPath(),
      {"-q", "-s", empty_settings, "-f", "pdf", "--scale", "2500", dir / "in", dir / "out"});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  std::string pdf = dir / "out/07MD623.pdf";
  ProcessResult info = test_util::RunProgram("/usr/bin/pdfinfo", {pdf});
  EXPECT_THAT(info.out, HasSubstr("Page size:       3370.39 x 2383.94 pts (A0)"));
  // A row across the middle of the map (300 mm down the window).
  ProcessResult render = test_util::RunProgram(
      "/usr/bin/pdftoppm", {"-r", "254", "-gray", "-x", "0", "-y", "3260", "-W", "11890", "-H", "1",
                            "-singlefile", pdf, dir / "row"});
  ASSERT_EQ(render.exit_status, 0) << render.err;
  std::vector<double> edges = DarkRuns(ReadFileBytes(dir / "row.pgm"));
  ASSERT_EQ(edges.size(), 4u);  // the window's border, the frame, the window's border
  EXPECT_NEAR(edges[2] - edges[1], 8000, 1) << "west edge at " << edges[1];
  EXPECT_NEAR(edges[1] - edges[0], (1169 - 800) / 2.0 * 10, 2);
  ProcessResult text = test_util::RunProgram("/usr/bin/pdftotext", {pdf, "-"});
  EXPECT_THAT(text.out, HasSubstr("07MD623"));
  EXPECT_THAT(text.out, HasSubstr("1:2500"));
  EXPECT_THAT(text.out, HasSubstr("Tokyo datum, plane rectangular zone VII (EPSG:30167)"));
}

// How often the decompressed PDF draws a line along the west (x = 0) or the east (x = 20000)
// edge of a sheet, and how often the text holds "OBJ".
struct Drawn {
  int west = 0, east = 0, labels = 0;
};

Drawn Count(const std::string& pdf, const TempFolder& dir) {
  test_util::RunProgram("/usr/bin/qpdf", {"--qdf", "--object-streams=disable", pdf, dir / "x.qdf"});
  Drawn drawn;
  std::istringstream lines(ReadFileBytes(dir / "x.qdf"));
  for (std::string line; std::getline(lines, line);) {
    drawn.west += line == "0 12000 m 0 3000 l";
    drawn.east += line == "20000 12000 m 20000 3000 l";
  }
  std::string text = test_util::RunProgram("/usr/bin/pdftotext", {pdf, "-"}).out;
  for (size_t at = 0; (at = text.find("OBJ", at)) != std::string::npos; ++at) ++drawn.labels;
  return drawn;
}

// A 2 x 2 block of sheets (07MD621 NW, 622 NE, 623 SW, 624 SE), each with a line along its west
// and its east edge. The eastern sheets' west lines lie on the edge they share with a sheet drawn
// before them and are left out; a name the two northern sheets repeat beside their shared edge
// shows once. Counted against one sheet printed alone.
TEST(PrintTest, TwoByTwoMosaicDrawsSharedEdgesAndLabelsOnce) {
  TempFolder dir;
  for (std::string code : {"07MD621", "07MD622", "07MD623", "07MD624"}) {
    conversion::test_util::TestMesh mesh;
    mesh.files()["gyousei/gyousei.arc"] = conversion::test_util::ArcFile(
        {{"L1101", 1, 1, {{300, 0}, {1200, 0}}},
         {"L1101", 1, 2, {{300, 2000}, {1200, 2000}}},
         {"L1102", 1, 3, conversion::test_util::Square(200, 200, 600)},
         {"L1103", 1, 4, conversion::test_util::Square(300, 300, 400)}});
    double east = code == "07MD621" ? 1900 : code == "07MD622" ? 100 : 1520;
    mesh.files()["tatemono/tatemono.pgn"] =
        conversion::test_util::PolygonFile({{"A3001", 1, {1}, {920, east}}});
    mesh.Write(dir / ("in/" + code));
  }
  const std::string settings = SHEETWRIGHT_SOURCE_DIR "/examples/vellumist.ini";
  ProcessResult one = test_util::RunProgram(
      test_util::ConverterPath(),
      {"-q", "-s", settings, "-f", "pdf", "--scale", "10000", dir / "in", dir / "one", "07MD621"});
  ASSERT_EQ(one.exit_status, 0) << one.err;
  Drawn sheet = Count(dir / "one/07MD621.pdf", dir);
  ASSERT_GT(sheet.west, 0);
  ASSERT_GT(sheet.labels, 0);

  std::string pdf = dir / "town.pdf";
  ProcessResult run = test_util::RunProgram(
      test_util::ConverterPath(),
      {"-q", "-s", settings, "--mosaic", pdf, "--scale", "10000", dir / "in", dir / "out"});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "out/07MD621.wmf"));
  Drawn town = Count(pdf, dir);
  EXPECT_EQ(town.west, 2 * sheet.west);
  EXPECT_EQ(town.east, 4 * sheet.east);
  EXPECT_EQ(town.labels, 3 * sheet.labels);
  EXPECT_THAT(test_util::RunProgram("/usr/bin/pdftotext", {pdf, "-"}).out,
              HasSubstr("07MD621 - 07MD624"));

  ProcessResult wmf = test_util::RunProgram(
      test_util::ConverterPath(), {"--mosaic", dir / "town.wmf", dir / "in", dir / "out"});
  EXPECT_EQ(wmf.exit_status, 2);
  EXPECT_THAT(wmf.err, HasSubstr("16-bit frame"));
}

}  // namespace
}  // namespace sheetwright
