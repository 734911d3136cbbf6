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

// The test mesh as sheet 07MD623, printed at 1:2500 as `format` into `dir`/out.
void PrintSheetAt1To2500(TempFolder& dir, const std::string& format) {
  conversion::test_util::TestMesh().Write(dir / "in/07MD623");
  std::string empty_settings = dir.Write("none.ini", "[CONVERT]\r\n");
  ProcessResult run = test_util::RunProgram(
      test_util::ConverterPath(),
      {"-q", "-s", empty_settings, "-f", format, "--scale", "2500", dir / "in", dir / "out"});
  ASSERT_EQ(run.exit_status, 0) << run.err;
}

// A 2000 m sheet at 1:2500 is 800.0 mm on the page: the frame's west and east edges in a render
// of 254 dpi (a pixel is 0.1 mm) lie 8000 pixels apart, in the middle of the window of A0
// landscape (the smallest paper whose window holds 800 x 600 mm).
TEST(PrintTest, A2000MetreEdgeAt1To2500Is800Millimetres) {
  TempFolder dir;
  ASSERT_NO_FATAL_FAILURE(PrintSheetAt1To2500(dir, "pdf"));
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
void WriteTwoByTwo(const TempFolder& dir) {
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
}

TEST(PrintTest, TwoByTwoMosaicDrawsSharedEdgesAndLabelsOnce) {
  TempFolder dir;
  WriteTwoByTwo(dir);
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

const std::string kInkscape = "/usr/bin/inkscape";
const std::string kPython = "/usr/bin/python3";

// Python through GDAL, an independent PNG reader: `script` with the file as sys.argv[1].
ProcessResult Python(const std::string& script, const std::string& file) {
  return test_util::RunProgram(kPython, {"-c", script, file});
}

// One row of a PNG, in grey, as a binary PGM of one row: sys.argv[2] is the row.
constexpr const char* kPngRow = R"(
import sys
from osgeo import gdal
ds = gdal.Open(sys.argv[1])
y = int(sys.argv[2])
bands = [ds.GetRasterBand(b + 1).ReadAsArray(0, y, ds.RasterXSize, 1)[0].astype("int32")
         for b in range(ds.RasterCount)]
grey = bands[0] // 3 + bands[1] // 3 + bands[2] // 3
if len(bands) == 4:  # over white paper
    grey = 255 - (255 - grey) * bands[3] // 255
sys.stdout.buffer.write(b"P5 %d 1 255\n" % ds.RasterXSize + bytes(grey.astype("uint8")))
)";

// The 800.0 mm of the PDF above, for SVG: the frame is 800 x 600 in the document's millimetres,
// and a render of 254 dpi puts its west and east edges 8000 pixels apart.
TEST(PrintTest, A2000MetreEdgeAt1To2500Is800MillimetresInSvgToo) {
  TempFolder dir;
  ASSERT_NO_FATAL_FAILURE(PrintSheetAt1To2500(dir, "svg"));
  std::string svg = ReadFileBytes(dir / "out/07MD623.svg");
  EXPECT_THAT(svg, HasSubstr(R"(width="1189mm" height="841mm" viewBox="0 0 1189 841")"));
  double x = 0, y = 0, width = 0, height = 0;
  size_t frame = svg.find("fill=\"none\" stroke=\"#000000\"");
  ASSERT_NE(frame, std::string::npos);
  size_t rect = svg.rfind("<rect ", frame);
  ASSERT_EQ(std::sscanf(svg.c_str() + rect, R"(<rect x="%lf" y="%lf" width="%lf" height="%lf")", &x,
                        &y, &width, &height),
            4);
  EXPECT_NEAR(width, 800.0, 0.1);
  EXPECT_NEAR(height, 600.0, 0.1);
  EXPECT_NEAR(x, (1189 - 800) / 2.0, 0.1);
  EXPECT_THAT(svg, HasSubstr("Tokyo datum, plane rectangular zone VII (EPSG:30167)"));

  // On A3 the map takes pages: one file each, numbered as the pages name themselves.
  ProcessResult paged = test_util::RunProgram(
      test_util::ConverterPath(), {"-q", "-s", dir.Path("none.ini"), "-f", "svg", "--scale", "2500",
                                   "--paper", "A3", dir / "in", dir / "paged"});
  ASSERT_EQ(paged.exit_status, 0) << paged.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "paged/07MD623.svg"));
  int pages = 0;
  while (std::filesystem::exists(dir / ("paged/07MD623-" + std::to_string(pages + 1) + ".svg"))) {
    ++pages;
  }
  ASSERT_GT(pages, 1);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "paged"), {}), pages);
  for (int page = 1; page <= pages; ++page) {
    EXPECT_THAT(ReadFileBytes(dir / ("paged/07MD623-" + std::to_string(page) + ".svg")),
                HasSubstr("page " + std::to_string(page) + " of " + std::to_string(pages) + " "));
  }

  if (!std::filesystem::exists(kInkscape)) GTEST_SKIP() << "no Inkscape to render the SVG";
  // A strip across the middle of the frame; Inkscape's export area is in CSS pixels.
  double px = 96 / 25.4, middle = y + height / 2;
  ProcessResult render = test_util::RunProgram(
      kInkscape, {dir / "out/07MD623.svg", "--export-type=png",
                  "--export-filename=" + (dir / "row.png"), "--export-dpi=254",
                  "--export-area=0:" + std::to_string(middle * px) + ":" +
                      std::to_string(1189 * px) + ":" + std::to_string((middle + 0.1) * px)});
  ASSERT_EQ(render.exit_status, 0) << render.err;
  ProcessResult row = test_util::RunProgram(kPython, {"-c", kPngRow, dir / "row.png", "0"});
  ASSERT_EQ(row.exit_status, 0) << row.err;
  std::vector<double> edges = DarkRuns(row.out);
  ASSERT_EQ(edges.size(), 4u);  // the window's border, the frame, the window's border
  EXPECT_NEAR(edges[2] - edges[1], 8000, 1) << "west edge at " << edges[1];
}

// The segments of the SVG's paths inside each sheet (a group placed by a matrix), in the sheet's
// own units, and its labels: "west east labels" as the PDF counts them.
constexpr const char* kSvgCount = R"(
import re, sys, xml.etree.ElementTree as ET
S = "{http://www.w3.org/2000/svg}"
root = ET.parse(sys.argv[1]).getroot()
west = east = labels = 0
for g in root.iter(S + "g"):
    if not g.get("transform", "").startswith("matrix("):
        continue
    for path in g.iter(S + "path"):
        at = start = (0, 0)
        tokens = re.findall(r"[MmLlZz]|-?[0-9.]+", path.get("d"))
        i, op = 0, "M"
        while i < len(tokens):
            if tokens[i] in "MmLlZz":
                op = tokens[i]; i += 1
                if op in "Zz":
                    at = start
                continue
            x, y = float(tokens[i]), float(tokens[i + 1]); i += 2
            if op in "ml":
                x, y = at[0] + x, at[1] + y
            if op in "Ll":
                seg = {at, (x, y)}
                west += seg == {(0, 12000), (0, 3000)}
                east += seg == {(20000, 12000), (20000, 3000)}
            else:
                start = (x, y)
                op = "l" if op == "m" else "L"
            at = (x, y)
    labels += sum((t.text or "").count("OBJ") for t in g.iter(S + "text"))
print(west, east, labels)
)";

// Vertical segments of 900 m on x = 0, 2000 and 4000 m from the map's west edge, and labels.
constexpr const char* kDxfCount = R"(
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
west = float(sys.argv[2])
on = [0, 0, 0]
labels = 0
for e in doc.modelspace():
    if e.dxftype() == "TEXT":
        labels += e.dxf.text.count("OBJ")
        continue
    if e.dxftype() == "LINE":
        points = [e.dxf.start, e.dxf.end]
    elif e.dxftype() == "POLYLINE":
        points = [v.dxf.location for v in e.vertices]
    else:
        continue
    for a, b in zip(points, points[1:]):
        if a[0] == b[0] and abs(a[1] - b[1]) == 900 and (a[0] - west) % 2000 == 0:
            on[int(a[0] - west) // 2000] += 1
print(*on, labels)
)";

// Pixels of a box that differ from its commonest colour: "x y size" per argument after the file.
constexpr const char* kPngInk = R"(
import sys
from osgeo import gdal
import numpy
ds = gdal.Open(sys.argv[1])
print(ds.RasterXSize, ds.RasterYSize, end="")
for box in sys.argv[2:]:
    x, y, n = map(int, box.split())
    a = ds.ReadAsArray(x, y, n, n).reshape(ds.RasterCount, -1).T
    colours, counts = numpy.unique(a, axis=0, return_counts=True)
    print("", n * n - counts.max(), end="")
print()
)";

// The 2 x 2 mosaic of the PDF test above in the other formats, each read back by a reader of its
// own: the shared edge's line once, the label both northern sheets repeat once.
TEST(PrintTest, TwoByTwoMosaicInSvgPngAndDxf) {
  TempFolder dir;
  WriteTwoByTwo(dir);
  const std::string settings = SHEETWRIGHT_SOURCE_DIR "/examples/vellumist.ini";
  auto convert = [&](std::vector<std::string> args, const std::string& mesh = {}) {
    args.insert(args.begin(), {"-q", "-s", settings});
    args.insert(args.end(), {dir / "in", dir / "out"});
    if (!mesh.empty()) args.push_back(mesh);
    ProcessResult run = test_util::RunProgram(test_util::ConverterPath(), args);
    EXPECT_EQ(run.exit_status, 0) << run.err;
  };
  convert({"-f", "svg,dxf", "--scale", "10000"}, "07MD621");
  ProcessResult one_svg = Python(kSvgCount, dir / "out/07MD621.svg");
  int west = 0, east = 0, labels = 0;
  ASSERT_EQ(std::sscanf(one_svg.out.c_str(), "%d %d %d", &west, &east, &labels), 3) << one_svg.err;
  ASSERT_GT(west, 0);
  ASSERT_GT(labels, 0);

  convert({"--mosaic", dir / "town.svg", "--scale", "10000"});
  ProcessResult town_svg = Python(kSvgCount, dir / "town.svg");
  EXPECT_EQ(town_svg.out, std::to_string(2 * west) + " " + std::to_string(4 * east) + " " +
                              std::to_string(3 * labels) + "\n")
      << town_svg.err;
  // At 1:500 on A4 the block takes 1260 pages, a file each: refused, nothing left.
  ProcessResult many = test_util::RunProgram(
      test_util::ConverterPath(), {"-q", "-s", settings, "--mosaic", dir / "many.svg", "--scale",
                                   "500", "--paper", "A4", dir / "in", dir / "out"});
  EXPECT_EQ(many.exit_status, 1);
  EXPECT_THAT(many.err, HasSubstr("an SVG print of 1260 pages"));
  EXPECT_FALSE(std::filesystem::exists(dir / "many-1.svg"));
  if (std::filesystem::exists(kInkscape)) {
    ProcessResult drawn = test_util::RunProgram(
        kInkscape, {dir / "town.svg", "--export-type=png", "--export-filename=" + (dir / "t.png")});
    EXPECT_EQ(drawn.exit_status, 0) << drawn.err;
  }

  // DXF: the western sheets' west lines, the shared edge's (the western sheets' east lines
  // alone) and the eastern sheets' east lines, in metres of zone VII.
  ProcessResult one_dxf =
      test_util::RunProgram(kPython, {"-c", kDxfCount, dir / "out/07MD621.dxf", "0"});
  int dxf_west = 0, dxf_east = 0, dxf_beyond = 0, dxf_labels = 0;
  ASSERT_EQ(std::sscanf(one_dxf.out.c_str(), "%d %d %d %d", &dxf_west, &dxf_east, &dxf_beyond,
                        &dxf_labels),
            4)
      << one_dxf.err;
  ASSERT_GT(dxf_west, 0);
  convert({"--mosaic", dir / "town.dxf"});
  ProcessResult town_dxf =
      test_util::RunProgram(kPython, {"-c", kDxfCount, dir / "town.dxf", "-32000"});
  EXPECT_EQ(town_dxf.out, std::to_string(2 * dxf_west) + " " + std::to_string(2 * dxf_east) + " " +
                              std::to_string(2 * dxf_east) + " " + std::to_string(3 * dxf_labels) +
                              "\n")
      << town_dxf.err;

  // PNG: one pixel per metre; the label of the north-western sheet 100 m west of the shared edge
  // is drawn, its repetition on the north-eastern sheet 100 m east of it is not; the southern
  // sheets' labels, far apart, both are.
  convert({"--mosaic", dir / "town.png"});
  ProcessResult png =
      test_util::RunProgram(kPython, {"-c", kPngInk, dir / "town.png", "1850 540 100",
                                      "2050 540 100", "1470 2040 100", "3470 2040 100"});
  int png_width = 0, png_height = 0, nw = 0, ne = 0, sw = 0, se = 0;
  ASSERT_EQ(std::sscanf(png.out.c_str(), "%d %d %d %d %d %d", &png_width, &png_height, &nw, &ne,
                        &sw, &se),
            6)
      << png.err;
  EXPECT_EQ(png_width, 4000);
  EXPECT_EQ(png_height, 3000);
  EXPECT_GT(nw, 20);
  EXPECT_EQ(ne, 0);
  EXPECT_GT(sw, 20);
  EXPECT_GT(se, 20);
}

// The light line a render leaves where two fills only touch: for the columns about `x` (in
// pixels) of rows y0..y1 with one fill on either side, whether R+G+B rises by 4 or more above it;
// prints the rows looked at and those where it does (a line along the edge shows in every row, a
// feature that ends there in a few). With a fifth argument the edge runs along row `x`, and
// columns y0..y1 are looked at the same way.
constexpr const char* kSeamRows = R"(
import sys
from osgeo import gdal
ds = gdal.Open(sys.argv[1])
x, y0, y1 = map(int, sys.argv[2:5])
if len(sys.argv) > 5:
    a = ds.ReadAsArray(y0, x - 12, y1 - y0, 25)[:3].astype("int32").sum(axis=0).T
else:
    a = ds.ReadAsArray(x - 12, y0, 25, y1 - y0)[:3].astype("int32").sum(axis=0)
rows = light = 0
for row in a:
    if abs(row[0] - row[24]) > 3:
        continue  # no one fill across the edge here
    rows += 1
    light += int(row[9:16].max()) - (row[0] + row[24]) // 2 >= 4
print(rows, light)
)";

// Two generated sheets side by side (their blocks' fills run to the shared edge without an
// outline there), printed as one map: a render at high zoom shows the fills run across the edge
// with no lighter line (it showed on almost every row when the sheets were drawn one after the
// other).
// A DXF mosaic surveys every sheet before it draws any, from one conversion each: what a sheet's
// data does wrong is said as often as when the sheet is drawn alone, not once more.
TEST(PrintTest, ADxfMosaicSaysASheetsBadRecordsOnce) {
  TempFolder dir;
  WriteTwoByTwo(dir);
  conversion::test_util::TestMesh broken;
  broken.files()["gaiku/GAIKU.PGN"] =
      conversion::test_util::PolygonFile({{"A3101", 1, {9}, {650, 650}}});
  broken.Write(dir / "in/07MD622");
  // How often the run says that the block refers to an arc the sheet lacks.
  auto said = [&](std::vector<std::string> args, const std::string& mesh = {}) {
    args.insert(args.begin(), {"-q", "-s", SHEETWRIGHT_SOURCE_DIR "/examples/vellumist.ini"});
    args.insert(args.end(), {dir / "in", dir / "out"});
    if (!mesh.empty()) args.push_back(mesh);
    ProcessResult run = test_util::RunProgram(test_util::ConverterPath(), args);
    EXPECT_EQ(run.exit_status, 0) << run.err;
    int times = 0;
    for (size_t at = 0; (at = run.err.find("ARCID-NOTFOUND=9", at)) != std::string::npos; ++at) {
      ++times;
    }
    return times;
  };
  int alone = said({"-f", "dxf"}, "07MD622");
  ASSERT_GT(alone, 0);
  EXPECT_EQ(said({"--mosaic", dir / "town.dxf"}), alone);
}

TEST(PrintTest, MosaicFillsMeetWithoutASeam) {
  TempFolder dir;
  std::string meshgen =
      (std::filesystem::path(test_util::ConverterPath()).parent_path() / "meshgen").string();
  for (std::string code : {"07MD621", "07MD622"}) {
    ProcessResult made = test_util::RunProgram(
        meshgen, {"--seed", "3", "--blocks", "4", "--sheet-code", code, dir / ("in/" + code)});
    ASSERT_EQ(made.exit_status, 0) << made.err;
  }
  std::string pdf = dir / "two.pdf";
  ProcessResult run = test_util::RunProgram(
      test_util::ConverterPath(),
      {"-q", "-s", SHEETWRIGHT_SOURCE_DIR "/examples/vellumist.ini", "--mosaic", pdf, "--scale",
       "10000", "--paper", "A3", dir / "in", dir / "out"});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  // A3 landscape, one page: the 400 mm map fills the window's width from 10 mm, its 150 mm stand
  // in the middle of the window's 231 mm height from 26 mm; the shared edge is 210 mm across.
  ProcessResult render = test_util::RunProgram(
      "/usr/bin/mutool", {"draw", "-q", "-r", "300", "-c", "rgb", "-o", dir / "two.png", pdf, "1"});
  ASSERT_EQ(render.exit_status, 0) << render.err;
  auto px = [](double mm) { return std::to_string(std::lround(mm * 300 / 25.4)); };
  ProcessResult seam =
      test_util::RunProgram(kPython, {"-c", kSeamRows, dir / "two.png", px(210), px(80), px(200)});
  int rows = 0, light = -1;
  ASSERT_EQ(std::sscanf(seam.out.c_str(), "%d %d", &rows, &light), 2) << seam.err;
  EXPECT_GT(rows, 1000);
  EXPECT_LE(light, rows / 100) << "of " << rows << " rows";
}

// The same for the printed SVG, a 2 x 2 block across both shared edges as Inkscape renders it
// at 300 dpi: the page draws the map layer by layer, each layer holding every sheet's piece of it
// (the line showed on most rows of either edge when the page drew sheet after sheet).
TEST(PrintTest, SvgMosaicFillsMeetWithoutASeam) {
  if (!std::filesystem::exists(kInkscape)) GTEST_SKIP() << "no Inkscape to render the SVG";
  TempFolder dir;
  std::string meshgen =
      (std::filesystem::path(test_util::ConverterPath()).parent_path() / "meshgen").string();
  for (std::string code : {"07MD621", "07MD622", "07MD623", "07MD624"}) {
    ProcessResult made = test_util::RunProgram(
        meshgen, {"--seed", "3", "--blocks", "4", "--sheet-code", code, dir / ("in/" + code)});
    ASSERT_EQ(made.exit_status, 0) << made.err;
  }
  ProcessResult run = test_util::RunProgram(
      test_util::ConverterPath(),
      {"-q", "-s", SHEETWRIGHT_SOURCE_DIR "/examples/vellumist.ini", "--mosaic", dir / "town.svg",
       "--scale", "10000", "--paper", "A2", dir / "in", dir / "out"});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  // The map's frame (0.85 pt) in the document's millimetres: 400 x 300 mm on one page.
  std::string svg = ReadFileBytes(dir / "town.svg");
  size_t frame = svg.find(R"(fill="none" stroke="#000000" stroke-width="0.299861")");
  ASSERT_NE(frame, std::string::npos);
  double x = 0, y = 0, width = 0, height = 0;
  ASSERT_EQ(
      std::sscanf(svg.c_str() + svg.rfind("<rect ", frame),
                  R"(<rect x="%lf" y="%lf" width="%lf" height="%lf")", &x, &y, &width, &height),
      4);
  ASSERT_NEAR(width, 400, 0.1);
  // A strip 4 mm wide about each shared edge, 5 mm short of the frame at either end.
  struct Strip {
    const char* name;
    double x0, y0, x1, y1;  // mm
    bool across;            // the edge runs along the strip's rows
  };
  const Strip strips[] = {
      {"north-south", x + width / 2 - 2, y, x + width / 2 + 2, y + height, false},
      {"west-east", x, y + height / 2 - 2, x + width, y + height / 2 + 2, true}};
  auto px = [](double mm) { return std::to_string(std::lround(mm * 300 / 25.4)); };
  for (const Strip& strip : strips) {
    SCOPED_TRACE(strip.name);
    double css = 96 / 25.4;  // Inkscape's export area is in CSS pixels
    std::string png = dir / (std::string(strip.name) + ".png");
    ProcessResult render = test_util::RunProgram(
        kInkscape,
        {dir / "town.svg", "--export-type=png", "--export-filename=" + png, "--export-dpi=300",
         "--export-area=" + std::to_string(strip.x0 * css) + ":" + std::to_string(strip.y0 * css) +
             ":" + std::to_string(strip.x1 * css) + ":" + std::to_string(strip.y1 * css)});
    ASSERT_EQ(render.exit_status, 0) << render.err;
    double length = strip.across ? strip.x1 - strip.x0 : strip.y1 - strip.y0;
    std::vector<std::string> args = {"-c", kSeamRows, png, px(2), px(5), px(length - 5)};
    if (strip.across) args.push_back("across");
    ProcessResult seam = test_util::RunProgram(kPython, args);
    int rows = 0, light = -1;
    ASSERT_EQ(std::sscanf(seam.out.c_str(), "%d %d", &rows, &light), 2) << seam.err;
    EXPECT_GT(rows, 1000);
    EXPECT_LE(light, rows / 100) << "of " << rows << " rows";
  }
}

}  // namespace
}  // namespace sheetwright
