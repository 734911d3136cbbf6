// The six drawers over fuzzed data files with tables loaded from fuzzed files. The input holds up
// to four parts cut at 0xFF bytes: an arc file, a polygon (or point) file, an attribute file and a
// few control bytes (layer code, name field, font height, pen width, whether to render). The
// layers drawn go into one sheet, which is checked, encoded as a metafile (checked for the
// structure strict readers want) and, when asked, played into a small Cairo surface.
#include <cairo.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/messages.h"
#include "drawers/drawers.h"
#include "drawers/layer_state.h"
#include "fuzz_support.h"
#include "mapdata/arc_table.h"
#include "mapdata/record_lines.h"
#include "mapdata/record_tables.h"
#include "output/raster/cairo_renderer.h"
#include "output/wmf/wmf_writer.h"
#include "picture/font_library.h"
#include "picture/recorder.h"

namespace {

using namespace sheetwright;
using base::ConversionError;

// The codes the conversion uses, and a few that select more than it ever does.
constexpr std::array<std::string_view, 10> kCodes = {"A",     "A6200", "A6243", "L2300", "L2110",
                                                     "L1101", "L5106", "P2420", "L",     "P"};
constexpr std::array<int, 8> kFields = {-7, 5, 4, -1, 0, 1, -2147483647 - 1, 2147483647};
constexpr std::array<int32_t, 6> kHeights = {-12, -7, 12, 0, -1, -96};
constexpr std::array<int32_t, 5> kPenWidths = {1, 40, 60, 150, 200};

uint8_t Control(const std::string& control, size_t i) {
  return i < control.size() ? static_cast<uint8_t>(control[i]) : 0;
}

picture::FontLibrary& Fonts() {
  static picture::FontLibrary* fonts = new picture::FontLibrary();
  return *fonts;
}

// Runs one drawer; a conversion error loses the layer, as it ends a real conversion.
template <class F>
void Draw(picture::Picture& sheet, F&& draw) {
  try {
    picture::Picture layer = draw();
    fuzz::CheckPicture(layer);
    picture::Recorder(sheet).Layer(std::make_shared<const picture::Picture>(std::move(layer)));
  } catch (const ConversionError&) {
  }
}

template <class F>
void Load(F&& load) {
  try {
    load();
  } catch (const ConversionError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> parts = fuzz::SplitParts(data, size, 4);
  auto arc_file = std::make_shared<const mapdata::FileText>(parts[0]);
  auto pgn_file = std::make_shared<const mapdata::FileText>(parts[1]);
  auto atr_file = std::make_shared<const mapdata::FileText>(parts[2]);
  const std::string& control = parts[3];

  base::NullMessageSink sink;
  fuzz::FuzzMetrics metrics;
  mapdata::ArcTable arcs;
  mapdata::PolyTable polygons, points;
  mapdata::AttributeTable attributes;
  Load([&] { arcs.Load(arc_file, sink); });
  Load([&] { polygons.LoadPolygons(pgn_file, sink); });
  Load([&] { points.LoadPoints(pgn_file, sink); });
  Load([&] { attributes.Load(atr_file, sink); });

  drawers::DrawContext ctx{.sink = sink, .metrics = &metrics};
  ctx.state.layer_code = std::string(kCodes[Control(control, 0) % kCodes.size()]);
  ctx.state.color = Control(control, 1) * 0x010203u;
  ctx.state.pen_width = kPenWidths[Control(control, 2) % kPenWidths.size()];
  ctx.state.font.height = kHeights[Control(control, 3) % kHeights.size()];
  const int field = kFields[Control(control, 4) % kFields.size()];
  const bool render = Control(control, 5) & 1;

  picture::Picture sheet;
  Draw(sheet, [&] { return drawers::ArcDraw(ctx, *arc_file); });
  Draw(sheet, [&] { return drawers::MainRoadDraw(ctx, *arc_file, attributes); });
  Draw(sheet, [&] { return drawers::PolygonFillDraw(ctx, *pgn_file, arcs); });
  Draw(sheet, [&] { return drawers::PolygonOutlineDraw(ctx, *pgn_file, arcs); });
  Draw(sheet, [&] { return drawers::PolygonNameDraw(ctx, *atr_file, field, polygons); });
  Draw(sheet, [&] { return drawers::PointNameDraw(ctx, *atr_file, field, points); });
  fuzz::CheckPicture(sheet);

  try {
    fuzz::CheckWmf(output::EncodeWmf(sheet, output::NominalSize{}));
  } catch (const ConversionError&) {
    // A fill with more points than one record holds is refused, never cut short.
  }

  if (render) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 80, 60);
    cairo_t* cr = cairo_create(surface);
    output::RenderPicture(sheet, cr, 80, 60, Fonts());
    FUZZ_CHECK(cairo_status(cr) == CAIRO_STATUS_SUCCESS, "cairo status",
               cairo_status_to_string(cairo_status(cr)));
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
  return 0;
}
