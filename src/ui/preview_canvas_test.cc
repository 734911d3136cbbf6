#include "ui/preview_canvas.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <vector>

#include "picture/font_library.h"
#include "picture/recorder.h"

namespace sheetwright::ui {
namespace {

using picture::Picture;
using picture::Point;
using picture::Recorder;

constexpr picture::ColorValue kRed = 0x0000FF;  // COLORREF order: 0x00BBGGRR
constexpr picture::ColorValue kBlue = 0xFF0000;

// A sheet with one layer holding one filled rectangle without outline, in frame units.
std::shared_ptr<const Picture> SheetWithBox(int x0, int y0, int x1, int y1,
                                            picture::ColorValue color) {
  auto layer = std::make_shared<Picture>();
  Recorder layer_canvas(*layer);
  layer_canvas.SetPen(picture::PenStyle::kNull, 1, 0);
  layer_canvas.SetBrush(picture::BrushStyle::kSolid, color);
  std::vector<Point> box{{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
  layer_canvas.Polygon(box);
  auto sheet = std::make_shared<Picture>();
  Recorder(*sheet).Layer(layer);
  return sheet;
}

class PreviewCanvasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    canvas_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&canvas_));
  }

  // Shows `sheet` and waits for its sharp drawing.
  void Show(std::shared_ptr<const Picture> sheet) {
    QSignalSpy rendered(&canvas_, &PreviewCanvas::Rendered);
    canvas_.ShowPicture(std::move(sheet));
    ASSERT_TRUE(rendered.wait(20000));
  }
  QImage Shown() { return canvas_.grab().toImage(); }
  void Wheel(QPointF at, int angle) {
    QWheelEvent event(at, canvas_.mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&canvas_, &event);
  }

  picture::FontLibrary fonts_;
  PreviewCanvas canvas_{fonts_};
};

bool Near(QPointF a, QPointF b) { return std::abs(a.x() - b.x()) + std::abs(a.y() - b.y()) < 1e-6; }

TEST_F(PreviewCanvasTest, ShowsTheWholeSheetReducedOneFiftiethAndRepaintsTheSame) {
  EXPECT_EQ(canvas_.objectName(), "PaintBox1");
  EXPECT_EQ(canvas_.size(), QSize(400, 300));
  Show(SheetWithBox(5000, 5000, 7000, 6000, kRed));  // widget (100, 100) - (140, 120)
  EXPECT_TRUE(canvas_.IsReady());
  QImage shown = Shown();
  EXPECT_EQ(shown.pixelColor(101, 101), QColor(Qt::red));
  EXPECT_EQ(shown.pixelColor(138, 118), QColor(Qt::red));
  EXPECT_EQ(shown.pixelColor(98, 110), QColor(Qt::white));
  EXPECT_EQ(shown.pixelColor(142, 110), QColor(Qt::white));
  EXPECT_EQ(shown.pixelColor(120, 122), QColor(Qt::white));
  EXPECT_EQ(shown.pixelColor(0, 0), QColor(Qt::white));
  EXPECT_EQ(Shown(), shown);
}

TEST_F(PreviewCanvasTest, ConvertingShowsLargeBlackTextAtTenTenAndNothingOfTheLastSheet) {
  Show(SheetWithBox(0, 0, 20000, 15000, kBlue));
  canvas_.ShowConverting();
  EXPECT_FALSE(canvas_.IsReady());
  QImage shown = Shown();
  int blue = 0, left = 400, top = 300, bottom = 0;
  for (int y = 0; y < shown.height(); ++y) {
    for (int x = 0; x < shown.width(); ++x) {
      QColor c = shown.pixelColor(x, y);
      if (c.blue() > 200 && c.red() < 100) ++blue;
      if (c.lightness() < 80) {
        left = std::min(left, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
  }
  EXPECT_EQ(blue, 0);
  // The ink of "プレビュー中" starts a little right of and below its cell's corner at (10, 10);
  // 30 points are 40 pixels, most of which the glyphs fill.
  EXPECT_GE(left, 10);
  EXPECT_LE(left, 20);
  EXPECT_GE(top, 10);
  EXPECT_LE(top, 25);
  EXPECT_GE(bottom - top, 25);
  EXPECT_LE(bottom, 55);
}

TEST_F(PreviewCanvasTest, WheelZoomsAroundThePointerWithinLimitsAndDrawsTheViewAfresh) {
  Show(SheetWithBox(5000, 5000, 7000, 6000, kRed));
  QPointF at(120, 110);
  QPointF sheet_point = canvas_.SheetPointAt(at);
  EXPECT_TRUE(Near(sheet_point, QPointF(6000, 5500)));

  QSignalSpy rendered(&canvas_, &PreviewCanvas::Rendered);
  Wheel(at, 120 * 4);
  double zoom = std::pow(PreviewCanvas::kWheelStepFactor, 4);
  EXPECT_NEAR(canvas_.Zoom(), zoom, 1e-9);
  EXPECT_TRUE(Near(canvas_.SheetPointAt(at), sheet_point));
  ASSERT_TRUE(rendered.wait(20000));
  // The left edge, 1000 units left of the pointer, is now 1000 / 50 * zoom pixels left of it,
  // drawn from the picture rather than enlarged from the 1/50 image.
  double edge = at.x() - 1000.0 / 50 * zoom;
  QImage shown = Shown();
  EXPECT_EQ(shown.pixelColor(int(edge) + 1, 110), QColor(Qt::red));
  EXPECT_EQ(shown.pixelColor(int(edge) - 1, 110), QColor(Qt::white));

  // In as far as it goes: two pixels per drawing unit, the pointer's point kept.
  for (int i = 0; i < 40; ++i) Wheel(at, 120);
  EXPECT_DOUBLE_EQ(canvas_.Zoom(), canvas_.MaxZoom());
  EXPECT_DOUBLE_EQ(canvas_.MaxZoom(), 100);
  EXPECT_TRUE(Near(canvas_.SheetPointAt(at), sheet_point));
  // Out no further than the whole sheet.
  for (int i = 0; i < 40; ++i) Wheel(QPointF(390, 10), -120);
  EXPECT_EQ(canvas_.Zoom(), 1);
  EXPECT_EQ(canvas_.SheetRect(), QRectF(canvas_.rect()));
}

TEST_F(PreviewCanvasTest, DragPansWithinTheSheetAndDoubleClickShowsItWhole) {
  Show(SheetWithBox(5000, 5000, 7000, 6000, kRed));
  // Unzoomed there is nowhere to pan.
  QTest::mousePress(&canvas_, Qt::LeftButton, {}, QPoint(200, 150));
  QTest::mouseMove(&canvas_, QPoint(250, 170));
  QTest::mouseRelease(&canvas_, Qt::LeftButton, {}, QPoint(250, 170));
  EXPECT_EQ(canvas_.SheetRect(), QRectF(canvas_.rect()));

  QSignalSpy rendered(&canvas_, &PreviewCanvas::Rendered);
  Wheel(QPointF(200, 150), 120 * 6);
  ASSERT_TRUE(rendered.wait(20000));
  QPointF grabbed = canvas_.SheetPointAt(QPointF(200, 150));
  QTest::mousePress(&canvas_, Qt::LeftButton, {}, QPoint(200, 150));
  QTest::mouseMove(&canvas_, QPoint(170, 130));
  QTest::mouseRelease(&canvas_, Qt::LeftButton, {}, QPoint(170, 130));
  EXPECT_TRUE(Near(canvas_.SheetPointAt(QPointF(170, 130)), grabbed));

  // Dragged far right, the sheet's left edge stops at the widget's.
  QTest::mousePress(&canvas_, Qt::LeftButton, {}, QPoint(10, 150));
  QTest::mouseMove(&canvas_, QPoint(2000, 150));
  QTest::mouseRelease(&canvas_, Qt::LeftButton, {}, QPoint(2000, 150));
  EXPECT_EQ(canvas_.SheetRect().left(), 0);
  EXPECT_GT(canvas_.SheetRect().width(), 400);

  int drawn = rendered.count();
  QTest::mouseDClick(&canvas_, Qt::LeftButton, {}, QPoint(100, 100));
  EXPECT_EQ(canvas_.SheetRect(), QRectF(canvas_.rect()));
  ASSERT_TRUE(rendered.count() > drawn || rendered.wait(20000));
  EXPECT_EQ(Shown().pixelColor(101, 101), QColor(Qt::red));
}

TEST_F(PreviewCanvasTest, ANewSheetShowsWholeWithoutTheOldOne) {
  Show(SheetWithBox(5000, 5000, 7000, 6000, kRed));
  Wheel(QPointF(120, 110), 120 * 3);
  Show(SheetWithBox(10000, 10000, 12000, 12000, kBlue));
  EXPECT_EQ(canvas_.Zoom(), 1);
  QImage shown = Shown();
  EXPECT_EQ(shown.pixelColor(120, 110), QColor(Qt::white));
  EXPECT_EQ(shown.pixelColor(220, 220), QColor(Qt::blue));
}

TEST(PreviewCanvas, CanBeDestroyedWhileItRenders) {
  auto layer = std::make_shared<Picture>();
  Recorder layer_canvas(*layer);
  std::vector<Point> zigzag;
  for (int i = 0; i < 20000; ++i) zigzag.push_back({i, (i % 2) * 15000});
  for (int i = 0; i < 20; ++i) layer_canvas.Polyline(zigzag);
  auto sheet = std::make_shared<Picture>();
  for (int i = 0; i < 10; ++i) Recorder(*sheet).Layer(layer);

  picture::FontLibrary fonts;
  auto canvas = std::make_unique<PreviewCanvas>(fonts);
  canvas->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(canvas.get()));
  canvas->ShowPicture(sheet);
  canvas->repaint();  // hands the render to the thread
  canvas.reset();
  QCoreApplication::processEvents();  // a result posted meanwhile must go nowhere
}

}  // namespace
}  // namespace sheetwright::ui
