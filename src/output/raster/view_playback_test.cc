#include "output/raster/view_playback.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstring>
#include <vector>

#include "output/raster/cairo_renderer.h"
#include "picture/font_library.h"
#include "picture/recorder.h"

namespace sheetwright::output {
namespace {

// Many short red strokes over a 20000 x 15000 frame: enough figures for several pieces.
picture::Picture Strokes() {
  picture::Picture sheet;
  picture::Recorder record(sheet);
  record.SetPen(picture::PenStyle::kSolid, 20, 0x0000FF);
  for (int i = 0; i < 5000; ++i) {
    int x = (i * 37) % 20000, y = (i * 53) % 15000;
    std::array<picture::Point, 2> line{picture::Point{x, y}, picture::Point{x + 300, y + 200}};
    record.Polyline(line);
  }
  return sheet;
}

std::vector<unsigned char> Pixels(const picture::Picture& sheet, bool view, int abort_after) {
  picture::FontLibrary fonts;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 200, 150);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  std::atomic<int> asked = 0;  // the bands of rows ask from threads of their own
  auto abort = [&] { return abort_after >= 0 && ++asked > abort_after; };
  if (view) {
    // The left half of the frame, drawn at twice the size: the right half falls off the image.
    cairo_scale(cr, 2, 2);
    RenderPictureView(sheet, cr, 200, 150, ViewBox{0, 0, 10000, 15000}, 50, fonts, abort);
  } else {
    cairo_scale(cr, 2, 2);
    RenderPicture(sheet, cr, 200, 150, fonts);
  }
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  std::vector<unsigned char> pixels(data, data + 150 * cairo_image_surface_get_stride(surface));
  cairo_surface_destroy(surface);
  return pixels;
}

TEST(RenderPictureView, CullsToTheViewWithTheSamePixelsAndStopsWhenAborted) {
  picture::Picture sheet = Strokes();
  std::vector<unsigned char> whole = Pixels(sheet, false, -1);
  EXPECT_EQ(Pixels(sheet, true, -1), whole);
  std::vector<unsigned char> blank(whole.size(), 0xFF);
  EXPECT_EQ(Pixels(sheet, true, 0), blank);  // aborted before the first piece
  // Each band of rows (one per core) asks eight times before its first piece is drawn, twenty
  // before its last.
  std::vector<unsigned char> part = Pixels(sheet, true, 15);
  EXPECT_NE(part, blank);
  EXPECT_NE(part, whole);  // stopped between pieces
}

}  // namespace
}  // namespace sheetwright::output
