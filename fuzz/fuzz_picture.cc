// The picture backends over pictures built from the input (picture_input.h): the metafile writer
// (whose output must keep the structure strict readers want, or be refused with ConversionError for
// a fill or text too long for one record), the SVG writer (whose output must be well-formed XML
// whatever the label bytes and layer names), the DXF writer (whose output must keep its group
// structure), the Cairo renderer and the PNG writer (whose files libpng must read back at their
// size).
#include <cairo.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/messages.h"
#include "fuzz_support.h"
#include "output/raster/cairo_renderer.h"
#include "output/dxf/dxf_writer.h"
#include "output/svg/svg_writer.h"
#include "output/wmf/wmf_writer.h"
#include "picture/font_library.h"
#include "picture_input.h"

namespace {

using namespace sheetwright;
using fuzz::Build;
using fuzz::Fonts;
using fuzz::Reader;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in(data, size);
  const uint8_t flags = in.U8();
  picture::Picture sheet = Build(in, 0);
  fuzz::CheckPicture(sheet);
  try {
    output::NominalSize nominal{1 + flags % 800, 1 + flags % 600};
    fuzz::CheckWmf(output::EncodeWmf(sheet, nominal));
  } catch (const base::ConversionError&) {
  }
  if (flags & 2) {
    std::string svg;
    output::WriteSvg(sheet, 1 + flags % 800, 1 + flags % 600, Fonts(),
                     [&](std::string_view chunk) { svg += chunk; });
    fuzz::CheckSvg(svg);
  }
  if (flags & 8) {
    bool modern = flags & 16;
    base::NullMessageSink no_one;
    std::string dxf = output::EncodeDxf(
        sheet, modern ? output::DxfFlavour::kR2010 : output::DxfFlavour::kR12, Fonts(), no_one);
    fuzz::CheckDxf(dxf, modern);
  }
  if (flags & 1) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 64, 48);
    cairo_t* cr = cairo_create(surface);
    output::RenderPicture(sheet, cr, 64, 48, Fonts());
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
  if (flags & 32) {
    const int width = 1 + flags % 50, height = 1 + flags % 90;
    fuzz::CheckPng(output::EncodeImage(sheet, width, height, Fonts(), {}), width, height);
  }
  return 0;
}
