// Reads stored metafiles with an independent reader, libwmf's wmf2svg: it refuses files whose
// header object count, largest-record field or end record are wrong, and its SVG shows what it
// understood of every record.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "output/wmf/wmf_writer.h"
#include "picture/recorder.h"

namespace sheetwright::output {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

struct SvgElement {
  std::string tag, attributes, content;
};

class LibwmfTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v wmf2svg >/dev/null 2>&1") != 0) {
      GTEST_SKIP() << "wmf2svg (libwmf-bin) is not installed";
    }
    dir_ = fs::temp_directory_path() /
           ("sheetwright_libwmf_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  static std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // Stores the sheet, converts it and returns the SVG's drawing elements in order.
  std::vector<SvgElement> Convert(const picture::Picture& sheet) {
    fs::path wmf = dir_ / "in.wmf", svg = dir_ / "out.svg", err = dir_ / "err.txt";
    StoreWmf(sheet, NominalSize{400, 300}, wmf.string());
    std::string command =
        "wmf2svg -o '" + svg.string() + "' '" + wmf.string() + "' 2>'" + err.string() + "'";
    int status = std::system(command.c_str());
    EXPECT_EQ(status, 0) << Slurp(err);
    EXPECT_THAT(Slurp(err), Not(HasSubstr("ERROR")));
    svg_ = Slurp(svg);
    // A plain scan: the SVG of a long polyline is far too big for std::regex's recursion.
    std::vector<SvgElement> elements;
    for (size_t at = svg_.find('<'); at != std::string::npos; at = svg_.find('<', at + 1)) {
      size_t name_end = svg_.find_first_of(" \t\n/>", at + 1);
      std::string tag = svg_.substr(at + 1, name_end - at - 1);
      if (tag != "line" && tag != "polyline" && tag != "polygon" && tag != "text") continue;
      size_t close = svg_.find('>', name_end);
      SvgElement e{tag, svg_.substr(name_end, close - name_end), ""};
      if (tag == "text")
        e.content = svg_.substr(close + 1, svg_.find("</text>", close) - close - 1);
      elements.push_back(std::move(e));
    }
    return elements;
  }

  // The value of attribute `name` of an element.
  static std::string Attribute(const SvgElement& e, const std::string& name) {
    size_t at = e.attributes.find(" " + name + "=\"");
    if (at == std::string::npos) at = e.attributes.find("\t" + name + "=\"");
    if (at == std::string::npos) return "";
    at += name.size() + 3;
    return e.attributes.substr(at, e.attributes.find('"', at) - at);
  }
  static double Number(const SvgElement& e, const std::string& name) {
    return std::strtod(Attribute(e, name).c_str(), nullptr);
  }
  // The coordinates of a points list, x and y alternating.
  static std::vector<double> Coordinates(const SvgElement& e) {
    std::vector<double> out;
    std::string points = Attribute(e, "points");
    for (const char* p = points.c_str();;) {
      char* end = nullptr;
      double v = std::strtod(p, &end);
      if (end == p) break;
      out.push_back(v);
      p = end;
      while (*p == ',' || std::isspace(static_cast<unsigned char>(*p))) ++p;
    }
    return out;
  }

  fs::path dir_;
  std::string svg_;
};

// A sheet with one record of every kind: corner marks, a fill, lines in a nested layer and a
// label, each in a colour of its own.
picture::Picture EveryRecordKindSheet() {
  picture::Picture sheet;
  picture::Recorder rec(sheet);
  // Corner marks, 50 units each way from every corner of the frame: they pin the frame for a
  // reader that maps what is drawn onto its output.
  rec.SetBrush(picture::BrushStyle::kSolid, 0xFFFFFF);
  rec.SetPen(picture::PenStyle::kSolid, 10, 0x0000FF);  // red
  for (picture::Point corner : {picture::Point{0, 0}, picture::Point{20000, 0},
                                picture::Point{0, 15000}, picture::Point{20000, 15000}}) {
    int dx = corner.x == 0 ? 50 : -50, dy = corner.y == 0 ? 50 : -50;
    rec.Line(corner, {corner.x + dx, corner.y});
    rec.Line(corner, {corner.x, corner.y + dy});
  }
  auto fill = std::make_shared<picture::Picture>();
  picture::Recorder(*fill).SetBrush(picture::BrushStyle::kSolid, 0x00FFFF);  // yellow
  picture::Recorder(*fill).SetPen(picture::PenStyle::kNull, 1, 0);
  picture::Recorder(*fill).Polygon(
      std::vector<picture::Point>{{2000, 2000}, {9000, 2500}, {8000, 9000}});
  rec.Layer(fill);
  auto lines = std::make_shared<picture::Picture>();
  picture::Recorder(*lines).SetPen(picture::PenStyle::kSolid, 60, 0xFF0000);  // blue
  picture::Recorder(*lines).Polyline(
      std::vector<picture::Point>{{10000, 1000}, {15000, 5000}, {12000, 12000}});
  auto nested = std::make_shared<picture::Picture>();
  picture::Recorder(*nested).SetPen(picture::PenStyle::kSolid, 40, 0x008000);  // green
  picture::Recorder(*nested).Line({1000, 14000}, {19000, 14000});
  picture::Recorder(*lines).Layer(nested);
  rec.Layer(lines);
  auto label = std::make_shared<picture::Picture>();
  {
    picture::Recorder r(*label);
    r.SetBrush(picture::BrushStyle::kDiagCross, 0);
    picture::LabelFont font;
    font.face_name = "Arial";
    font.charset = 0;
    font.height = -600;
    font.color = 0x800080;  // purple
    r.SetFont(font);
    r.Text({3000, 10000}, "Sheetwright label");
  }
  rec.Layer(label);
  return sheet;
}

TEST_F(LibwmfTest, ReadsEveryRecordKind) {
  picture::Picture sheet = EveryRecordKindSheet();

  std::vector<SvgElement> elements = Convert(sheet);
  EXPECT_THAT(svg_, HasSubstr(R"(<svg width="400" height="300")"));
  std::vector<std::string> tags;
  for (const SvgElement& e : elements) tags.push_back(e.tag);
  EXPECT_THAT(tags, ElementsAre("line", "line", "line", "line", "line", "line", "line", "line",
                                "polygon", "polyline", "line", "text"));
  ASSERT_EQ(elements.size(), 12u);

  // The corner marks land on the corners of the 400 x 300 output.
  double min_x = 1e9, max_x = -1e9, min_y = 1e9, max_y = -1e9;
  for (int i = 0; i < 8; ++i) {
    EXPECT_THAT(elements[i].attributes, HasSubstr("stroke:red"));
    for (const char* x : {"x1", "x2"}) {
      min_x = std::min(min_x, Number(elements[i], x));
      max_x = std::max(max_x, Number(elements[i], x));
    }
    for (const char* y : {"y1", "y2"}) {
      min_y = std::min(min_y, Number(elements[i], y));
      max_y = std::max(max_y, Number(elements[i], y));
    }
  }
  EXPECT_NEAR(min_x, 0, 1);
  EXPECT_NEAR(max_x, 400, 1);
  EXPECT_NEAR(min_y, 0, 1);
  EXPECT_NEAR(max_y, 300, 1);

  EXPECT_THAT(elements[8].attributes, HasSubstr("fill:yellow"));
  EXPECT_THAT(elements[8].attributes, HasSubstr("fill-rule:evenodd"));
  EXPECT_THAT(elements[8].attributes, HasSubstr("stroke:none"));
  std::vector<double> polygon = Coordinates(elements[8]);
  ASSERT_GE(polygon.size(), 6u);
  EXPECT_NEAR(polygon[0], 40, 1);  // (2000, 2000) in a 20000 x 15000 frame shown at 400 x 300
  EXPECT_NEAR(polygon[1], 40, 1);
  EXPECT_NEAR(polygon[4], 160, 1);
  EXPECT_NEAR(polygon[5], 180, 1);
  EXPECT_THAT(elements[9].attributes, HasSubstr("stroke:blue"));
  EXPECT_THAT(elements[10].attributes, HasSubstr("stroke:green"));
  EXPECT_THAT(elements[11].attributes, HasSubstr("fill:purple"));
  EXPECT_EQ(elements[11].content, "Sheetwright label");
}

TEST_F(LibwmfTest, ReadsSplitPolylinesAndLargeFills) {
  picture::Picture sheet;
  picture::Recorder rec(sheet);
  rec.SetPen(picture::PenStyle::kSolid, 1, 0);
  rec.SetBrush(picture::BrushStyle::kSolid, 0x00FF00);  // lime
  std::vector<picture::Point> zigzag;
  for (int i = 0; i < 40000; ++i) zigzag.push_back({i / 2, i % 2 == 0 ? 1000 : 2000});
  rec.Polyline(zigzag);
  std::vector<picture::Point> ring;
  for (int i = 0; i < 30000; ++i) ring.push_back({i % 2 ? 20000 : 0, i / 2});
  rec.Polygon(ring);
  // Outside the 16-bit range: clamped to the edge of the coordinate space, not wrapped.
  rec.Line({0, 0}, {40000, 0});

  std::vector<SvgElement> elements = Convert(sheet);
  std::vector<std::string> tags;
  for (const SvgElement& e : elements) tags.push_back(e.tag);
  EXPECT_THAT(tags, ElementsAre("polyline", "polyline", "polyline", "polygon", "line"));
  // Each record starts where the previous one ended: every point is there, in order, and the
  // shared ones twice.
  std::vector<double> joined;
  for (int i = 0; i < 3; ++i) {
    std::vector<double> c = Coordinates(elements[i]);
    ASSERT_GE(c.size(), 4u);
    if (!joined.empty()) {
      EXPECT_EQ(joined[joined.size() - 2], c[0]);
      EXPECT_EQ(joined[joined.size() - 1], c[1]);
      joined.resize(joined.size() - 2);
    }
    joined.insert(joined.end(), c.begin(), c.end());
  }
  EXPECT_EQ(joined.size(), 2 * zigzag.size());
  EXPECT_EQ(Coordinates(elements[3]).size(), 2 * ring.size());
  // 40000 is clamped to 32767, so the line runs to the right; wrapped to -25536, it would run
  // to the left.
  EXPECT_GT(Number(elements[4], "x2"), Number(elements[4], "x1"));
}

}  // namespace
}  // namespace sheetwright::output
