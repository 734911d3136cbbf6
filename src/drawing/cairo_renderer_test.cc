#include "drawing/cairo_renderer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

#include "drawing/font_library.h"
#include "mapdata/encoding.h"
#include "mapdata/messages.h"

namespace sheetwright::drawing {
namespace {

constexpr ColorValue kRed = 0x0000FF;
constexpr ColorValue kGreen = 0x00FF00;
constexpr ColorValue kBlue = 0xFF0000;
constexpr Rgb kWhite{255, 255, 255};

// Builds pictures record by record, the way the drawers' recordings look.
class PictureBuilder {
 public:
  PictureBuilder(int32_t width, int32_t height) {
    picture_.width = width;
    picture_.height = height;
  }
  PictureBuilder& Pen(ColorValue color, int32_t width = 1, PenStyle style = PenStyle::kSolid) {
    picture_.records.push_back(PenRec{style, width, color});
    return *this;
  }
  PictureBuilder& Brush(ColorValue color, BrushStyle style = BrushStyle::kSolid) {
    picture_.records.push_back(BrushRec{style, color});
    return *this;
  }
  PictureBuilder& Polygon(std::initializer_list<Point> points) {
    picture_.records.push_back(PolygonRec{Append(points), static_cast<uint32_t>(points.size())});
    return *this;
  }
  PictureBuilder& Polyline(std::initializer_list<Point> points) {
    picture_.records.push_back(PolylineRec{Append(points), static_cast<uint32_t>(points.size())});
    return *this;
  }
  PictureBuilder& Line(Point from, Point to) {
    picture_.records.push_back(LineRec{from, to});
    return *this;
  }
  PictureBuilder& Font(const LabelFont& font) {
    picture_.records.push_back(FontRec{font});
    picture_.records.push_back(TextColorRec{font.color});
    return *this;
  }
  PictureBuilder& Background(BkMode mode, ColorValue color = 0xFFFFFF) {
    picture_.records.push_back(BkModeRec{mode});
    picture_.records.push_back(BkColorRec{color});
    return *this;
  }
  PictureBuilder& Text(Point at, const std::string& utf8) {
    std::string bytes = mapdata::Utf8ToCp932(utf8);
    picture_.records.push_back(TextRec{at, static_cast<uint32_t>(picture_.text.size()),
                                       static_cast<uint32_t>(bytes.size())});
    picture_.text += bytes;
    return *this;
  }
  PictureBuilder& Layer(const Picture& layer) {
    picture_.records.push_back(LayerRec{std::make_shared<const Picture>(layer)});
    return *this;
  }
  PictureBuilder& Raw(Record r) {
    picture_.records.push_back(r);
    return *this;
  }
  const Picture& picture() const { return picture_; }

 private:
  uint32_t Append(std::initializer_list<Point> points) {
    auto first = static_cast<uint32_t>(picture_.points.size());
    picture_.points.insert(picture_.points.end(), points.begin(), points.end());
    return first;
  }
  Picture picture_;
};

// An ARGB32 rendering on white, read back pixel by pixel.
class Image {
 public:
  Image(const Picture& picture, int width, int height, FontLibrary& fonts)
      : surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)) {
    cairo_t* cr = cairo_create(surface_);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    RenderPicture(picture, cr, width, height, fonts);
    cairo_destroy(cr);
    cairo_surface_flush(surface_);
  }
  explicit Image(cairo_surface_t* surface) : surface_(surface) { cairo_surface_flush(surface_); }
  ~Image() { cairo_surface_destroy(surface_); }

  int width() const { return cairo_image_surface_get_width(surface_); }
  int height() const { return cairo_image_surface_get_height(surface_); }
  Rgb At(int x, int y) const {
    const unsigned char* row =
        cairo_image_surface_get_data(surface_) + y * cairo_image_surface_get_stride(surface_);
    uint32_t p = reinterpret_cast<const uint32_t*>(row)[x];
    return Rgb{static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8),
               static_cast<uint8_t>(p)};
  }
  // Bounding box of the pixels for which `match` holds; empty when none.
  template <class F>
  bool Bounds(F match, int& left, int& top, int& right, int& bottom) const {
    left = width(), top = height(), right = -1, bottom = -1;
    for (int y = 0; y < height(); ++y) {
      for (int x = 0; x < width(); ++x) {
        if (!match(At(x, y))) continue;
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
    }
    return right >= 0;
  }

 private:
  cairo_surface_t* surface_;
};

bool Reddish(Rgb c) { return c.r > 150 && c.g < 120 && c.b < 120; }
bool Blue(Rgb c) { return c.b > 200 && c.r < 60 && c.g < 60; }
bool Dark(Rgb c) { return c.r < 128 && c.g < 128 && c.b < 128; }

LabelFont Gothic(int32_t height, ColorValue color, uint8_t style = 0) {
  LabelFont font;
  font.face_name = "ＭＳ Ｐゴシック";
  font.height = height;
  font.color = color;
  font.style = style;
  return font;
}

class CairoRendererTest : public ::testing::Test {
 protected:
  FontLibrary fonts_;
};

TEST_F(CairoRendererTest, FillsInsideWithTheBrushAndLeavesOutsideWhite) {
  PictureBuilder b(kFrameWidth, kFrameHeight);
  b.Pen(kRed, 100).Brush(kBlue).Polygon(
      {{5000, 5000}, {15000, 5000}, {15000, 10000}, {5000, 10000}});
  Image image(b.picture(), 400, 300, fonts_);
  EXPECT_EQ(image.At(200, 150), (Rgb{0, 0, 255}));  // inside
  EXPECT_EQ(image.At(50, 50), kWhite);              // outside
  EXPECT_EQ(image.At(395, 295), kWhite);
  EXPECT_TRUE(Reddish(image.At(100, 150)));  // the left edge carries the pen
}

TEST_F(CairoRendererTest, NullPenAndNullBrushDrawNothing) {
  PictureBuilder b(kFrameWidth, kFrameHeight);
  b.Pen(kRed, 200, PenStyle::kNull).Brush(kBlue).Polygon({{0, 0}, {10000, 0}, {10000, 15000}});
  b.Pen(kRed, 200)
      .Brush(0, BrushStyle::kNull)
      .Polygon({{12000, 2000}, {19000, 2000}, {19000, 13000}, {12000, 13000}});
  Image image(b.picture(), 400, 300, fonts_);
  EXPECT_TRUE(Blue(image.At(199, 1)));    // fill reaches its own edge, no border
  EXPECT_EQ(image.At(300, 150), kWhite);  // inside the unfilled figure
  EXPECT_TRUE(Reddish(image.At(240, 150)));
}

TEST_F(CairoRendererTest, EvenOddLeavesAHoleInARingInsideARing) {
  // One figure: the outer square, then an inner square wound the same way. Under the winding
  // rule the inner square would be filled; under the alternate rule it is a hole.
  PictureBuilder b(400, 300);
  b.Pen(0, 1, PenStyle::kNull)
      .Brush(kBlue)
      .Polygon({{50, 50},
                {350, 50},
                {350, 250},
                {50, 250},
                {50, 50},
                {150, 100},
                {250, 100},
                {250, 200},
                {150, 200},
                {150, 100}});
  Image image(b.picture(), 400, 300, fonts_);
  EXPECT_TRUE(Blue(image.At(100, 150)));
  EXPECT_EQ(image.At(200, 150), kWhite);
}

TEST_F(CairoRendererTest, ThinPensStayVisibleWhenScaledDown) {
  // 1-unit lines on a sheet reduced 50 times are a fiftieth of a pixel wide: drawn one pixel wide.
  PictureBuilder b(kFrameWidth, kFrameHeight);
  b.Pen(0, 1).Line({0, 7510}, {20000, 7510});
  b.Polyline({{10010, 0}, {10010, 15000}});
  Image image(b.picture(), 400, 300, fonts_);
  int darkest_row = 255, darkest_column = 255;
  for (int y = 148; y <= 152; ++y) darkest_row = std::min<int>(darkest_row, image.At(50, y).r);
  for (int x = 198; x <= 202; ++x)
    darkest_column = std::min<int>(darkest_column, image.At(x, 50).r);
  EXPECT_LT(darkest_row, 100);
  EXPECT_LT(darkest_column, 100);
  EXPECT_EQ(image.At(50, 140), kWhite);
}

TEST_F(CairoRendererTest, YGrowsDownwards) {
  PictureBuilder b(kFrameWidth, kFrameHeight);
  b.Pen(0, 1, PenStyle::kNull).Brush(kBlue).Polygon({{0, 0}, {20000, 0}, {20000, 1500}, {0, 1500}});
  Image image(b.picture(), 400, 300, fonts_);
  EXPECT_TRUE(Blue(image.At(200, 5)));
  EXPECT_EQ(image.At(200, 295), kWhite);
}

TEST_F(CairoRendererTest, SystemWindowTextColourIsBlack) {
  PictureBuilder b(400, 300);
  b.Pen(kClWindowText, 20).Line({0, 150}, {400, 150});
  b.Pen(0, 1, PenStyle::kNull).Brush(kClWindowText).Polygon({{10, 10}, {60, 10}, {60, 60}});
  Image image(b.picture(), 400, 300, fonts_);
  EXPECT_EQ(image.At(200, 150), (Rgb{0, 0, 0}));
  EXPECT_EQ(image.At(50, 15), (Rgb{0, 0, 0}));
}

TEST_F(CairoRendererTest, LabelIsAnchoredAtItsTopLeftInTheTextColour) {
  // A 200 x 150 frame on 400 x 300: every unit is two pixels, the 12-unit font 24 pixels.
  PictureBuilder b(200, 150);
  b.Background(BkMode::kTransparent).Font(Gothic(-12, kRed)).Text({40, 50}, "東京駅 Tokyo");
  Image image(b.picture(), 400, 300, fonts_);
  int left, top, right, bottom;
  ASSERT_TRUE(image.Bounds(Reddish, left, top, right, bottom));
  TextExtent extent = fonts_.Measure(Gothic(-12, kRed), mapdata::Utf8ToCp932("東京駅 Tokyo"));
  // The ink starts just right of and below the anchor, never above or left of it ...
  EXPECT_GE(left, 80);
  EXPECT_LE(left, 80 + 6);
  EXPECT_GE(top, 100);
  EXPECT_LE(top, 100 + 8);
  // ... and stays within the measured cell, filling most of its width.
  EXPECT_LE(right, 80 + 2 * extent.width + 1);
  EXPECT_GE(right, 80 + 2 * extent.width - 12);
  EXPECT_LE(bottom, 100 + 2 * extent.height + 1);
  // Nothing but the label is drawn: no background box around it.
  int l2, t2, r2, b2;
  image.Bounds([](Rgb c) { return !(c == kWhite) && !Reddish(c) && c.r < 200; }, l2, t2, r2, b2);
  EXPECT_GE(l2, left);
  EXPECT_GE(t2, top);
}

TEST_F(CairoRendererTest, LabelsTakeTheRoomTheyWereMeasuredWith) {
  // Labels are centred by their measured width, so the drawn text must end where the measure
  // says, bold (wider by a pixel per character) and fixed faces included.
  for (uint8_t style : {uint8_t{0}, uint8_t{kBold}, uint8_t{kItalic}}) {
    for (const char* face : {"ＭＳ Ｐゴシック", "ＭＳ 明朝"}) {
      LabelFont font = Gothic(-16, kRed, style);
      font.face_name = face;
      const char* text = "新宿中央公園前WWW";
      PictureBuilder b(200, 150);
      b.Background(BkMode::kTransparent).Font(font).Text({10, 50}, text);
      Image image(b.picture(), 400, 300, fonts_);
      int left, top, right, bottom;
      ASSERT_TRUE(image.Bounds(Reddish, left, top, right, bottom));
      int32_t width = fonts_.Measure(font, mapdata::Utf8ToCp932(text)).width;
      // A slanted face leans past its last advance, as italics do on the reference platform.
      int overhang = (style & kItalic) ? 2 * 16 / 4 : 0;
      EXPECT_LE(right, 20 + 2 * width + 2 + overhang) << face << " style " << int{style};
      EXPECT_GE(right, 20 + 2 * width - 6) << face << " style " << int{style};
    }
  }
}

TEST_F(CairoRendererTest, RenderingOnSeveralThreadsGivesTheSamePixels) {
  PictureBuilder b(200, 150);
  b.Pen(kBlue, 2).Brush(kGreen).Polygon({{10, 10}, {190, 20}, {100, 140}});
  b.Background(BkMode::kTransparent)
      .Font(Gothic(-14, kRed, kBold))
      .Text({30, 40}, "渋谷駅ハチ公口");
  auto render = [&](std::vector<Rgb>& out) {
    Image image(b.picture(), 400, 300, fonts_);
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) out.push_back(image.At(x, y));
  };
  std::vector<Rgb> expected;
  render(expected);
  std::vector<std::vector<Rgb>> results(4);
  std::vector<std::thread> threads;
  for (auto& r : results) threads.emplace_back([&] { render(r); });
  for (auto& t : threads) t.join();
  for (const auto& r : results) EXPECT_TRUE(r == expected);
}

TEST_F(CairoRendererTest, BackgroundModeDecidesWhetherTheLabelBoxIsFilled) {
  struct Case {
    BkMode mode;
    bool fill_kept;
  } cases[] = {{BkMode::kTransparent, true}, {BkMode::kOpaque, false}};
  for (const Case& c : cases) {
    PictureBuilder b(200, 150);
    b.Pen(0, 1, PenStyle::kNull).Brush(kBlue).Polygon({{0, 0}, {200, 0}, {200, 150}, {0, 150}});
    b.Background(c.mode, kGreen).Font(Gothic(-12, kRed)).Text({40, 50}, "東京");
    Image image(b.picture(), 400, 300, fonts_);
    // The first row of the cell is above every glyph: only the background can touch it.
    Rgb top_row = image.At(84, 100);
    if (c.fill_kept) {
      EXPECT_TRUE(Blue(top_row));
    } else {
      EXPECT_EQ(top_row, (Rgb{0, 255, 0}));
    }
    EXPECT_TRUE(Blue(image.At(20, 20)));
  }
}

TEST_F(CairoRendererTest, UnderlineSpansTheLabelBelowTheBaseline) {
  PictureBuilder b(200, 150);
  b.Background(BkMode::kTransparent).Font(Gothic(-12, kRed, kUnderline)).Text({40, 50}, "・・・・");
  Image image(b.picture(), 400, 300, fonts_);
  TextExtent extent = fonts_.Measure(Gothic(-12, kRed), mapdata::Utf8ToCp932("・・・・"));
  // Between the dots only the underline is red; it lies in the lower part of the cell.
  int run = 0, best = 0;
  for (int y = 100; y < 100 + 2 * extent.height; ++y) {
    run = 0;
    for (int x = 80; x < 80 + 2 * extent.width; ++x) run += Reddish(image.At(x, y));
    if (run > best) best = run;
    if (run > 2 * extent.width * 9 / 10) {
      EXPECT_GT(y, 100 + extent.height);
    }
  }
  EXPECT_GT(best, 2 * extent.width * 9 / 10);
}

TEST_F(CairoRendererTest, LayerStateEndsWithTheLayer) {
  PictureBuilder layer(kFrameWidth, kFrameHeight);
  layer.Pen(kRed, 400).Brush(kGreen).Line({0, 2000}, {20000, 2000});
  PictureBuilder b(kFrameWidth, kFrameHeight);
  b.Pen(kBlue, 400).Brush(kBlue).Layer(layer.picture());
  b.Line({0, 10000}, {20000, 10000});
  b.Polygon({{1000, 12000}, {3000, 12000}, {3000, 14000}, {1000, 14000}});
  Image image(b.picture(), 400, 300, fonts_);
  EXPECT_TRUE(Reddish(image.At(200, 40)));  // the layer's own line
  EXPECT_TRUE(Blue(image.At(200, 200)));    // drawn after it with the outer pen again
  EXPECT_TRUE(Blue(image.At(40, 260)));     // and the outer brush
}

TEST_F(CairoRendererTest, DiagonalCrossHatchShowsLinesAndGaps) {
  PictureBuilder b(400, 300);
  b.Pen(0, 1, PenStyle::kNull)
      .Background(BkMode::kTransparent)
      .Brush(kBlue, BrushStyle::kDiagCross);
  b.Polygon({{0, 0}, {400, 0}, {400, 300}, {0, 300}});
  Image image(b.picture(), 400, 300, fonts_);
  int blue = 0, white = 0;
  for (int y = 100; y < 116; ++y) {
    for (int x = 100; x < 116; ++x) {
      blue += Blue(image.At(x, y));
      white += image.At(x, y) == kWhite;
    }
  }
  EXPECT_GT(blue, 256 / 8);
  EXPECT_GT(white, 256 / 2);
}

TEST_F(CairoRendererTest, ZeroLengthLinesLeaveNoDot) {
  PictureBuilder b(400, 300);
  b.Pen(0, 20).Line({100, 100}, {100, 100}).Polyline({{300, 200}, {300, 200}, {300, 200}});
  b.Line({50, 250}, {51, 250});  // but a line of one unit is drawn
  Image image(b.picture(), 400, 300, fonts_);
  EXPECT_EQ(image.At(100, 100), kWhite);
  EXPECT_EQ(image.At(300, 200), kWhite);
  EXPECT_TRUE(Dark(image.At(50, 250)));
}

TEST_F(CairoRendererTest, DamagedRecordsAreSkipped) {
  PictureBuilder b(400, 300);
  b.Pen(0, 5).Brush(kBlue);
  b.Raw(PolygonRec{1000000, 4}).Raw(PolylineRec{0, 0xFFFFFFFFu}).Raw(TextRec{{10, 10}, 5, 100});
  b.Raw(LayerRec{nullptr}).Polyline({{7, 7}}).Polygon({});
  b.Line({0, 150}, {400, 150});
  Image image(b.picture(), 400, 300, fonts_);
  EXPECT_TRUE(Dark(image.At(200, 150)));  // playing goes on after them
  Picture empty_frame;
  empty_frame.width = 0;
  Image nothing(empty_frame, 10, 10, fonts_);
  EXPECT_EQ(nothing.At(5, 5), kWhite);
}

// ---- StoreImage ----

class StoreImageTest : public CairoRendererTest {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("cairo_store_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  static std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  Picture Sample() const {
    PictureBuilder b(kFrameWidth, kFrameHeight);
    b.Pen(kRed, 50).Brush(kBlue).Polygon({{0, 0}, {10000, 0}, {10000, 7500}, {0, 7500}});
    b.Background(BkMode::kTransparent).Font(Gothic(-300, kRed)).Text({11000, 9000}, "東京駅");
    return b.picture();
  }
  std::filesystem::path dir_;
};

TEST_F(StoreImageTest, PngIsReadableAndReplacesAnOlderFile) {
  auto path = dir_ / "mesh.png";
  { std::ofstream(path) << "old contents"; }
  StoreImage(Sample(), ImageFormat::kPng, 200, 150, path.string(), fonts_);
  Image image(cairo_image_surface_create_from_png(path.c_str()));
  ASSERT_EQ(image.width(), 200);
  ASSERT_EQ(image.height(), 150);
  EXPECT_TRUE(Blue(image.At(50, 30)));
  EXPECT_EQ(image.At(150, 60), kWhite);  // white background, not transparent black
  int left, top, right, bottom;
  EXPECT_TRUE(image.Bounds(Reddish, left, top, right, bottom));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);  // no temp left
}

TEST_F(StoreImageTest, VectorFormatsAreWritten) {
  struct Case {
    ImageFormat format;
    const char* name;
    const char* magic;
  } cases[] = {{ImageFormat::kSvg, "a.svg", "<?xml"}, {ImageFormat::kPdf, "a.pdf", "%PDF-"}};
  for (const Case& c : cases) {
    StoreImage(Sample(), c.format, 400, 300, (dir_ / c.name).string(), fonts_);
    std::string bytes = Slurp(dir_ / c.name);
    EXPECT_EQ(bytes.rfind(c.magic, 0), 0u) << c.name;
    EXPECT_GT(bytes.size(), 500u) << c.name;
  }
}

TEST_F(StoreImageTest, SameSvgBytesForTheSamePicture) {
  // Another drawing in between advances Cairo's process-wide surface counter.
  StoreImage(Sample(), ImageFormat::kSvg, 400, 300, (dir_ / "a.svg").string(), fonts_);
  StoreImage(Sample(), ImageFormat::kPng, 40, 30, (dir_ / "x.png").string(), fonts_);
  StoreImage(Sample(), ImageFormat::kSvg, 400, 300, (dir_ / "b.svg").string(), fonts_);
  EXPECT_EQ(Slurp(dir_ / "a.svg"), Slurp(dir_ / "b.svg"));
}

TEST_F(StoreImageTest, FailureThrowsAndLeavesTheOldFileWhole) {
  EXPECT_THROW(StoreImage(Sample(), ImageFormat::kPng, 100, 75,
                          (dir_ / "missing" / "mesh.png").string(), fonts_),
               mapdata::ConversionError);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing"));

  auto path = dir_ / "mesh.png";
  { std::ofstream(path) << "old contents"; }
  for (auto [w, h] : {std::pair{0, 100}, std::pair{100, -1}, std::pair{100000, 100000}}) {
    EXPECT_THROW(StoreImage(Sample(), ImageFormat::kPng, w, h, path.string(), fonts_),
                 mapdata::ConversionError);
  }
  EXPECT_EQ(Slurp(path), "old contents");
}

}  // namespace
}  // namespace sheetwright::drawing
