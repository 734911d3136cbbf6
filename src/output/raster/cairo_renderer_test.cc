#include "output/raster/cairo_renderer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

#include "base/encoding.h"
#include "base/messages.h"
#include "output/raster/png_writer.h"
#include "output/raster/row_bands.h"
#include "picture/font_library.h"
#include "picture/picture_test_util.h"

namespace sheetwright::output {
namespace {

constexpr picture::ColorValue kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;
constexpr picture::Rgb kWhite{255, 255, 255};

// An ARGB32 rendering on white, read back pixel by pixel.
class Image {
 public:
  Image(const picture::Picture& picture, int w, int h, picture::FontLibrary& fonts)
      : surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h)) {
    cairo_t* cr = cairo_create(surface_);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    RenderPicture(picture, cr, w, h, fonts);
    cairo_destroy(cr);
    cairo_surface_flush(surface_);
  }
  explicit Image(cairo_surface_t* surface) : surface_(surface) { cairo_surface_flush(surface_); }
  ~Image() { cairo_surface_destroy(surface_); }
  int width() const { return cairo_image_surface_get_width(surface_); }
  int height() const { return cairo_image_surface_get_height(surface_); }
  picture::Rgb At(int x, int y) const {
    const unsigned char* row =
        cairo_image_surface_get_data(surface_) + y * cairo_image_surface_get_stride(surface_);
    uint32_t v = reinterpret_cast<const uint32_t*>(row)[x];
    return picture::Rgb{uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
  }
  // Bounding box {left, top, right, bottom} of the pixels that match; right < 0 when none.
  template <class F>
  std::array<int, 4> Bounds(F match) const {
    std::array<int, 4> b = {width(), height(), -1, -1};
    for (int y = 0; y < height(); ++y) {
      for (int x = 0; x < width(); ++x) {
        if (!match(At(x, y))) continue;
        b = {std::min(b[0], x), std::min(b[1], y), std::max(b[2], x), std::max(b[3], y)};
      }
    }
    return b;
  }

 private:
  cairo_surface_t* surface_;
};

bool Reddish(picture::Rgb c) { return c.r > 150 && c.g < 120 && c.b < 120; }
bool Blue(picture::Rgb c) { return c.b > 200 && c.r < 60 && c.g < 60; }
bool Dark(picture::Rgb c) { return c.r < 128 && c.g < 128 && c.b < 128; }

class CairoRendererTest : public ::testing::Test {
 protected:
  picture::FontLibrary fonts_;
};

TEST_F(CairoRendererTest, FillsWithTheBrushOutlinesWithThePenYDownwards) {
  picture::Builder b(picture::kFrameWidth, picture::kFrameHeight);
  b.Pen(kRed, 100).Brush(kBlue).Polygon({{5000, 0}, {15000, 0}, {15000, 5000}, {5000, 5000}});
  b.Pen(kRed, 200, picture::PenStyle::kNull)
      .Brush(picture::kClWindowText)
      .Polygon({{0, 14000}, {2000, 14000}, {0, 15000}});
  b.Pen(kRed, 200)
      .Brush(0, picture::BrushStyle::kNull)
      .Polygon({{17000, 9000}, {19000, 9000}, {19000, 13000}});
  Image image(b.p, 400, 300, fonts_);
  EXPECT_EQ(image.At(200, 50), (picture::Rgb{0, 0, 255}));  // inside, at the top: y grows downwards
  EXPECT_EQ(image.At(200, 250), kWhite);
  EXPECT_TRUE(Reddish(image.At(100, 50)));               // the outline carries the pen
  EXPECT_EQ(image.At(1, 298), (picture::Rgb{0, 0, 0}));  // window text: black, and no outline ...
  for (int y = 225; y < 235; ++y) {                      // ... a null brush leaves the inside alone
    for (int x = 372; x < 377; ++x) EXPECT_EQ(image.At(x, y), kWhite) << x << "," << y;
  }
  EXPECT_TRUE(Reddish(image.At(380, 230)));
}

TEST_F(CairoRendererTest, EvenOddLeavesAHoleInARingInsideARing) {
  // One figure: the outer square, then an inner square wound the same way. The winding rule
  // would fill the inner square; the alternate rule makes it a hole.
  picture::Builder b(400, 300);
  b.Pen(0, 1, picture::PenStyle::kNull).Brush(kBlue);
  b.Polygon({{50, 50},
             {350, 50},
             {350, 250},
             {50, 250},
             {50, 50},
             {150, 100},
             {250, 100},
             {250, 200},
             {150, 200},
             {150, 100}});
  Image image(b.p, 400, 300, fonts_);
  EXPECT_TRUE(Blue(image.At(100, 150)));
  EXPECT_EQ(image.At(200, 150), kWhite);
}

TEST_F(CairoRendererTest, ThinPensStayVisibleAndStillLinesLeaveNoDot) {
  // 1-unit lines on a sheet reduced 50 times would be a fiftieth of a pixel: drawn one wide.
  picture::Builder b(picture::kFrameWidth, picture::kFrameHeight);
  b.Pen(0, 1).Line({0, 7510}, {20000, 7510}).Polyline({{10010, 0}, {10010, 15000}});
  b.Pen(0, 500).Line({5000, 2500}, {5000, 2500}).Polyline({{15000, 2500}, {15000, 2500}});
  Image image(b.p, 400, 300, fonts_);
  int row = 255, column = 255;
  for (int i = -2; i <= 2; ++i) {
    row = std::min<int>(row, image.At(50, 150 + i).r);
    column = std::min<int>(column, image.At(200 + i, 50).r);
  }
  EXPECT_LT(row, 100);
  EXPECT_LT(column, 100);
  EXPECT_EQ(image.At(50, 140), kWhite);
  EXPECT_EQ(image.At(100, 50), kWhite);  // no round-cap dot where a line goes nowhere
  EXPECT_EQ(image.At(300, 50), kWhite);
}

TEST_F(CairoRendererTest, LabelsSitAtTheirTopLeftInTheRoomTheyWereMeasuredWith) {
  // A 200 x 150 frame on 400 x 300: every unit is two pixels. Labels are centred by their
  // measured width, so the drawn text must end where the measure says.
  for (uint8_t style : {0, int{picture::kBold}, int{picture::kItalic}}) {
    for (const char* face : {"ＭＳ Ｐゴシック", "ＭＳ 明朝"}) {
      picture::LabelFont font = picture::Label(-16, kRed, style, face);
      const char* text = "新宿中央公園前 Tokyo";
      Image image(picture::Builder(200, 150)
                      .Back(picture::BkMode::kTransparent)
                      .Font(font)
                      .Text({10, 50}, text)
                      .p,
                  400, 300, fonts_);
      auto [left, top, right, bottom] = image.Bounds(Reddish);
      picture::TextExtent e = fonts_.Measure(font, base::Utf8ToCp932(text));
      SCOPED_TRACE(std::string(face) + " style " + std::to_string(style));
      EXPECT_GE(left, 20);  // ink starts just right of and below the anchor
      EXPECT_LE(left, 20 + 6);
      EXPECT_GE(top, 100);
      EXPECT_LE(top, 100 + 8);
      int overhang =
          (style & picture::kItalic) ? 8 : 0;  // slanted glyphs lean past the last advance
      EXPECT_LE(right, 20 + 2 * e.width + 2 + overhang);
      EXPECT_GE(right, 20 + 2 * e.width - 6);
      EXPECT_LE(bottom, 100 + 2 * e.height + 1);
      // Nothing but the label: no background box.
      auto other =
          image.Bounds([](picture::Rgb c) { return !(c == kWhite) && !Reddish(c) && c.r < 200; });
      EXPECT_GE(other[0], left);
      EXPECT_GE(other[1], top);
    }
  }
}

TEST_F(CairoRendererTest, JapaneseInALatinFaceIsDrawnWithTheStandIn) {
  // The same glyphs as the stand-in's own, not the Latin face's missing-glyph boxes.
  auto ink = [&](const char* face) {
    Image image(picture::Builder(200, 150)
                    .Back(picture::BkMode::kTransparent)
                    .Font(picture::Label(-40, 0, 0, face))
                    .Text({10, 10}, "代田")
                    .p,
                200, 150, fonts_);
    auto b = image.Bounds(Dark);
    int count = 0;
    for (int y = 0; y < 150; ++y) {
      for (int x = 0; x < 200; ++x) count += Dark(image.At(x, y));
    }
    return std::array<int, 3>{b[2] - b[0], b[3] - b[1], count};
  };
  std::array<int, 3> stand_in = ink("IPAPGothic");
  EXPECT_GT(stand_in[2], 100);
  EXPECT_EQ(ink("DejaVu Serif"), stand_in);
}

TEST_F(CairoRendererTest, BackgroundModeDecidesWhetherTheLabelBoxIsFilled) {
  for (picture::BkMode mode : {picture::BkMode::kTransparent, picture::BkMode::kOpaque}) {
    picture::Builder b(200, 150);
    b.Pen(0, 1, picture::PenStyle::kNull)
        .Brush(kBlue)
        .Polygon({{0, 0}, {200, 0}, {200, 150}, {0, 150}});
    b.Back(mode, kGreen).Font(picture::Label(-12, kRed)).Text({40, 50}, "東京");
    Image image(b.p, 400, 300, fonts_);
    // The first row of the cell is above every glyph: only the background can touch it.
    if (mode == picture::BkMode::kTransparent) {
      EXPECT_TRUE(Blue(image.At(84, 100)));
    } else {
      EXPECT_EQ(image.At(84, 100), (picture::Rgb{0, 255, 0}));
    }
    EXPECT_TRUE(Blue(image.At(20, 20)));
  }
}

TEST_F(CairoRendererTest, UnderlineSpansTheLabelBelowTheBaseline) {
  picture::LabelFont font = picture::Label(-12, kRed, picture::kUnderline);
  picture::Builder b(200, 150);
  b.Back(picture::BkMode::kTransparent).Font(font).Text({40, 50}, "・・・・");
  Image image(b.p, 400, 300, fonts_);
  picture::TextExtent e = fonts_.Measure(font, base::Utf8ToCp932("・・・・"));
  // Between the dots only the underline is red: a full row, in the lower part of the cell.
  int best = 0;
  for (int y = 100; y < 100 + 2 * e.height; ++y) {
    int run = 0;
    for (int x = 80; x < 80 + 2 * e.width; ++x) run += Reddish(image.At(x, y));
    best = std::max(best, run);
    if (run > 2 * e.width * 9 / 10) {
      EXPECT_GT(y, 100 + e.height);
    }
  }
  EXPECT_GT(best, 2 * e.width * 9 / 10);
}

TEST_F(CairoRendererTest, LayerStateEndsWithTheLayer) {
  picture::Builder layer(picture::kFrameWidth, picture::kFrameHeight);
  layer.Pen(kRed, 400).Brush(kGreen).Line({0, 2000}, {20000, 2000});
  picture::Builder b(picture::kFrameWidth, picture::kFrameHeight);
  b.Pen(kBlue, 400).Brush(kBlue).Layer(layer.p);
  b.Line({0, 10000}, {20000, 10000}).Polygon({{1000, 12000}, {3000, 12000}, {3000, 14000}});
  Image image(b.p, 400, 300, fonts_);
  EXPECT_TRUE(Reddish(image.At(200, 40)));  // the layer's own line
  EXPECT_TRUE(Blue(image.At(200, 200)));    // after it, the outer pen again
  EXPECT_TRUE(Blue(image.At(55, 270)));     // and the outer brush
}

TEST_F(CairoRendererTest, DiagonalCrossHatchShowsLinesAndGaps) {
  picture::Builder b(400, 300);
  b.Pen(0, 1, picture::PenStyle::kNull)
      .Back(picture::BkMode::kTransparent)
      .Brush(kBlue, picture::BrushStyle::kDiagCross);
  b.Polygon({{0, 0}, {400, 0}, {400, 300}, {0, 300}});
  Image image(b.p, 400, 300, fonts_);
  int blue = 0, white = 0;
  for (int y = 100; y < 116; ++y) {
    for (int x = 100; x < 116; ++x) blue += Blue(image.At(x, y)), white += image.At(x, y) == kWhite;
  }
  EXPECT_GT(blue, 256 / 8);
  EXPECT_GT(white, 256 / 2);
}

TEST_F(CairoRendererTest, DamagedRecordsAreSkipped) {
  picture::Builder b(400, 300);
  b.Pen(0, 5)
      .Brush(kBlue)
      .Add(picture::PolygonRec{1000000, 4})
      .Add(picture::PolylineRec{0, 0xFFFFFFFFu});
  b.Add(picture::TextRec{{10, 10}, 5, 100})
      .Add(picture::LayerRec{7})
      .Add(picture::FontRec{3})
      .Polyline({{7, 7}})
      .Polygon({});
  b.Line({0, 150}, {400, 150});
  EXPECT_TRUE(Dark(Image(b.p, 400, 300, fonts_).At(200, 150)));  // playing goes on after them
  picture::Picture no_frame;
  no_frame.width = 0;
  EXPECT_EQ(Image(no_frame, 10, 10, fonts_).At(5, 5), kWhite);
}

TEST_F(CairoRendererTest, RenderingOnSeveralThreadsGivesTheSamePixels) {
  picture::Builder b(200, 150);
  b.Pen(kBlue, 2).Brush(kGreen).Polygon({{10, 10}, {190, 20}, {100, 140}});
  b.Back(picture::BkMode::kTransparent)
      .Font(picture::Label(-14, kRed, picture::kBold))
      .Text({30, 40}, "渋谷駅ハチ公口");
  auto render = [&](std::vector<picture::Rgb>& out) {
    Image image(b.p, 400, 300, fonts_);
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) out.push_back(image.At(x, y));
  };
  std::vector<picture::Rgb> expected;
  render(expected);
  std::vector<std::vector<picture::Rgb>> results(4);
  std::vector<std::thread> threads;
  for (auto& r : results) threads.emplace_back([&] { render(r); });
  for (auto& t : threads) t.join();
  for (const auto& r : results) EXPECT_TRUE(r == expected);
}

// An image drawn in bands of rows on several threads is the image drawn in one piece, whatever
// crosses the seams (a hatch, wide and thin lines, a label), but for lines cut at a band's edge,
// whose pixels may move by one level.
TEST_F(CairoRendererTest, BandsOfRowsGiveTheImageOfOnePiece) {
  picture::Builder b(400, 300);
  b.Pen(0, 1, picture::PenStyle::kNull).Brush(kBlue, picture::BrushStyle::kDiagCross);
  b.Polygon({{0, 100}, {400, 120}, {380, 260}});
  b.Pen(kRed, 9).Polyline({{5, 5}, {390, 290}, {20, 280}, {200, 10}});
  b.Pen(kGreen, 1).Polyline({{0, 150}, {400, 149}, {0, 77}, {400, 230}});
  b.Back(picture::BkMode::kTransparent)
      .Font(picture::Label(-30, kRed, 0))
      .Text({40, 135}, "渋谷駅ハチ公口");
  auto pixels = [&](int bands) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 400, 300);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_matrix_t identity;
    cairo_matrix_init_identity(&identity);
    DrawInBands(surface, identity, bands, [&](cairo_t* band) {
      RenderPicture(b.p, band, 400, 300, fonts_);
      return true;
    });
    return std::make_unique<Image>(surface);
  };
  std::unique_ptr<Image> whole = pixels(1);
  for (int bands : {2, 4}) {
    std::unique_ptr<Image> banded = pixels(bands);
    int worst = 0;
    for (int y = 0; y < 300; ++y) {
      for (int x = 0; x < 400; ++x) {
        picture::Rgb p = banded->At(x, y), q = whole->At(x, y);
        worst = std::max({worst, std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b)});
      }
    }
    EXPECT_LE(worst, 1) << bands << " bands";
  }
}

// Strokes and solid fills on image surfaces take a rasterizer of their own; Cairo draws them
// everywhere else. Both must give the same picture.
TEST_F(CairoRendererTest, ImageSurfacesGetThePixelsCairoWouldDraw) {
  constexpr int32_t kFar = std::numeric_limits<int32_t>::max();
  picture::Builder layer(400, 300);  // drawn at twice its size
  layer.Pen(kGreen, 3).Polyline({{10, 280}, {390, 200}, {200, 20}});
  picture::Builder b(800, 600);
  b.Pen(kBlue, 1).Brush(kRed).Polygon({{50, 50},
                                       {750, 50},
                                       {750, 550},
                                       {50, 550},
                                       {50, 50},
                                       {200, 200},
                                       {600, 200},
                                       {600, 400},
                                       {200, 400},
                                       {200, 200}});
  b.Pen(kBlue, 12).Polyline({{0, 0}, {400, 300}, {800, 0}, {800, 10}});
  b.Pen(kRed, 0, picture::PenStyle::kNull)
      .Brush(kBlue)
      .Polygon({{300, 450}, {500, 450}, {400, 590}});
  b.Layer(layer.p);
  b.Back(picture::BkMode::kTransparent).Font(picture::Label(-40, kBlue)).Text({250, 250}, "大手町");

  auto render = [&](bool through_cairo, bool clip) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 400, 300);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    if (clip) {
      cairo_rectangle(cr, 0, 0, 200, 300);
      cairo_clip(cr);
    }
    if (through_cairo) cairo_push_group(cr);  // not the image surface any more
    RenderPicture(b.p, cr, 400, 300, fonts_);
    if (through_cairo) {
      cairo_pop_group_to_source(cr);
      cairo_paint(cr);
    }
    cairo_destroy(cr);
    return std::make_unique<Image>(surface);
  };
  auto fast = render(false, false), cairo = render(true, false);
  double total = 0;
  int far_off = 0;
  for (int y = 0; y < 300; ++y) {
    for (int x = 0; x < 400; ++x) {
      picture::Rgb a = fast->At(x, y), c = cairo->At(x, y);
      int d = std::max({std::abs(a.r - c.r), std::abs(a.g - c.g), std::abs(a.b - c.b)});
      total += d;
      far_off += d > 96;
    }
  }
  EXPECT_LT(total / (400 * 300), 1.0);
  EXPECT_LT(far_off, 400 * 300 / 200) << "pixels that differ by more than edge shading";
  EXPECT_TRUE(Blue(fast->At(200, 150)));    // the thick line through the centre
  EXPECT_TRUE(Reddish(fast->At(30, 100)));  // the ring of the fill ...
  EXPECT_EQ(fast->At(150, 120), kWhite);    // ... and its hole

  // Lines between the ends of the coordinate range (which Cairo leaves out) show where they
  // cross the surface.
  b.Pen(0x808080, 1).Polyline({{-kFar, 300}, {kFar, 300}}).Line({100, -kFar}, {100, kFar});
  auto far = render(false, false);
  EXPECT_LT(far->At(300, 150).g, 200);
  EXPECT_LT(far->At(50, 80).g, 200);
  auto clipped = render(false, true);
  EXPECT_EQ(clipped->Bounds([](picture::Rgb c) {
    return c != picture::Rgb{255, 255, 255};
  })[2],
            199);
}

TEST_F(CairoRendererTest, LinesChainOnlyWithinARunOfOnePen) {
  picture::Builder b(400, 300);  // one unit a pixel
  b.Pen(kRed, 8).Line({100, 0}, {100, 300});
  b.Pen(kBlue, 8).Line({0, 150}, {400, 150});
  b.Pen(kRed, 8).Line({100, 300}, {300, 0});  // goes on from the first red line's end
  Image image(b.p, 400, 300, fonts_);
  EXPECT_TRUE(Blue(image.At(100, 150)));     // the blue line over the first red one
  EXPECT_TRUE(Reddish(image.At(200, 150)));  // the second red line over the blue one
  EXPECT_TRUE(Reddish(image.At(100, 20)));
}

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
  static picture::Picture Sample() {
    picture::Builder b(picture::kFrameWidth, picture::kFrameHeight);
    b.Pen(kRed, 50).Brush(kBlue).Polygon({{0, 0}, {10000, 0}, {10000, 7500}, {0, 7500}});
    b.Back(picture::BkMode::kTransparent)
        .Font(picture::Label(-300, kRed))
        .Text({11000, 9000}, "東京駅");
    return b.p;
  }
  void Store(int w, int h, const std::string& name) {
    StoreImage(Sample(), w, h, (dir_ / name).string(), fonts_);
  }
  std::filesystem::path dir_;
};

TEST_F(StoreImageTest, PngIsReadableAndReplacesAnOlderFile) {
  std::ofstream(dir_ / "mesh.png") << "old contents";
  Store(200, 150, "mesh.png");
  Image image(cairo_image_surface_create_from_png((dir_ / "mesh.png").string().c_str()));
  ASSERT_EQ(image.width(), 200);
  ASSERT_EQ(image.height(), 150);
  EXPECT_TRUE(Blue(image.At(50, 30)));
  EXPECT_EQ(image.At(150, 60), kWhite);  // white background, not transparent black
  EXPECT_GE(image.Bounds(Reddish)[2], 0);
  Image drawn(Sample(), 200, 150, fonts_);
  for (int y = 0; y < 150; ++y) {
    for (int x = 0; x < 200; ++x) ASSERT_EQ(image.At(x, y), drawn.At(x, y)) << x << "," << y;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);  // no temp left
}

TEST_F(StoreImageTest, FailureThrowsAndLeavesTheOldFileWhole) {
  EXPECT_THROW(Store(100, 75, "missing/mesh.png"), base::ConversionError);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing"));
  std::ofstream(dir_ / "mesh.png") << "old contents";
  for (auto [w, h] : {std::pair{0, 100}, {100, -1}, {100000, 100000}}) {
    EXPECT_THROW(Store(w, h, "mesh.png"), base::ConversionError);
  }
  EXPECT_EQ(Slurp(dir_ / "mesh.png"), "old contents");
}

// Noise, where every byte matters, in images whose rows split into parts unevenly: each part's
// rows are compressed apart and joined into one stream, which libpng must read back whole.
TEST_F(StoreImageTest, EveryPixelComesBackWhateverTheRowCount) {
  uint32_t noise = 7;
  for (int height : {1, 63, 64, 131}) {
    Surface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 37, height));
    cairo_surface_flush(surface.get());
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int i = 0; i < stride * height; ++i) data[i] = (noise = noise * 1103515245 + 12345) >> 24;
    cairo_surface_mark_dirty(surface.get());
    std::ofstream(dir_ / "noise.png", std::ios::binary) << EncodePng(surface.get());
    Surface back(cairo_image_surface_create_from_png((dir_ / "noise.png").string().c_str()));
    ASSERT_EQ(cairo_surface_status(back.get()), CAIRO_STATUS_SUCCESS) << height;
    const unsigned char* read = cairo_image_surface_get_data(back.get());
    const int read_stride = cairo_image_surface_get_stride(back.get());
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < 37 * 4; ++x) {
        if (x % 4 == 3) continue;  // the unused byte
        ASSERT_EQ(read[y * read_stride + x], data[y * stride + x])
            << height << ": " << x << "," << y;
      }
    }
  }
}

}  // namespace
}  // namespace sheetwright::output
