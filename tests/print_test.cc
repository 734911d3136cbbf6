// Maps printed at a true scale, measured as a reader draws them: the page size pdfinfo reports
// and the frame's length in a render.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
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
  EXPECT_THAT(info.out, HasSubstr("Page size:      3370.39 x 2383.94 pts"));
  // A row across the middle of the map (300 mm down the window).
  ProcessResult render = test_util::RunProgram(
      "/usr/bin/pdftoppm", {"-r", "254", "-gray", "-x", "0", "-y", "3260", "-W", "11890", "-H", "1",
                            "-singlefile", pdf, dir / "row"});
  ASSERT_EQ(render.exit_status, 0) << render.err;
  std::vector<double> edges = DarkRuns(ReadFileBytes(dir / "row.pgm"));
  ASSERT_EQ(edges.size(), 4u);  // the window's border, the frame, the window's border
  EXPECT_NEAR(edges[2] - edges[1], 8000, 1) << "west edge at " << edges[1];
  EXPECT_NEAR(edges[1] - edges[0], (1169 - 800) / 2 * 10.0, 2);
  ProcessResult text = test_util::RunProgram("/usr/bin/pdftotext", {pdf, "-"});
  EXPECT_THAT(text.out, HasSubstr("07MD623"));
  EXPECT_THAT(text.out, HasSubstr("1:2500"));
  EXPECT_THAT(text.out, HasSubstr("Tokyo datum, plane rectangular zone VII (EPSG:30167)"));
}

}  // namespace
}  // namespace sheetwright
