// The mosaic's writers other than the PDF's over pictures built from the input (picture_input.h),
// each given the picture as two sheets side by side, the second joined to the first
// (conversion::SheetJoins): the printed SVG, at a scale and on a paper the input chooses, whose
// every page must be well-formed XML read strictly by libxml2 with no id given twice and no
// reference (a <use>, a fill, a clip) to an element it lacks; the DXF in map metres, whose group
// structure must hold; and the mosaic image, whose PNG Cairo's reader (libpng) must read back at
// the size the map gives.
#include <cairo.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/messages.h"
#include "conversion/mosaic_joins.h"
#include "fuzz_support.h"
#include "output/dxf/dxf_writer.h"
#include "output/raster/mosaic_image.h"
#include "output/svg/printed_svg.h"
#include "picture_input.h"

namespace {

using namespace sheetwright;

class QuietSink : public base::MessageSink {
 public:
  void Show(const std::string&) override {}
};

struct PngBytes {
  std::string_view rest;
};

cairo_status_t ReadPng(void* closure, unsigned char* data, unsigned int length) {
  auto* png = static_cast<PngBytes*>(closure);
  if (png->rest.size() < length) return CAIRO_STATUS_READ_ERROR;
  std::copy_n(png->rest.data(), length, data);
  png->rest.remove_prefix(length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Reader in(data, size);
  const uint8_t flags = in.U8();
  picture::Picture sheet = fuzz::Build(in, 0);
  // Sheets of the real size for the prints and the drawing, small ones for the image.
  output::GroundBox west{-2000, 0, 0, 1500}, east{0, 0, 2000, 1500};
  output::GroundBox small_west{-40, 0, 0, 30}, small_east{0, 0, 40, 30};
  std::vector<picture::Picture> joined;
  conversion::SheetJoins joins;
  for (const output::GroundBox& ground : {west, east}) {
    joined.push_back(sheet);
    joins.Join(joined.back(), ground, flags % 4);
    fuzz::CheckPicture(joined.back());
  }

  constexpr int kScales[] = {500, 1000, 2500, 5000, 10000};
  output::PrintInfo info{sheet.label, sheet.id, {-2000, 0, 2000, 1500}, {west, east}};
  output::PrintLayout layout =
      output::LayOutPrint(info.map, kScales[flags % 5], static_cast<output::Paper>(flags / 5 % 6),
                          static_cast<output::Orientation>(flags / 30 % 3));
  if (layout.pages.size() <= 16) {  // a large print of a tiny paper says nothing more
    std::vector<std::string> pages(layout.pages.size());
    // The pieces of the two sheets wait in a scratch file in the temporary folder.
    static const std::string beside =
        (std::filesystem::temp_directory_path() / "fuzz_mosaic.svg").string();
    output::PrintedSvg svg(
        layout, info, fuzz::Fonts(),
        [&](size_t page, std::string_view chunk) { pages.at(page) += chunk; }, beside);
    svg.AddSheet(joined[0], west, flags % 4);
    svg.AddSheet(joined[1], east, flags % 4);
    svg.Finish();
    for (const std::string& page : pages) fuzz::CheckSvg(page);
  }

  QuietSink sink;
  std::string dxf;
  output::DxfMosaic drawing(fuzz::Fonts(), sink, [&](std::string_view chunk) { dxf += chunk; });
  drawing.SurveySheet(sheet);
  drawing.SurveySheet(sheet);
  drawing.Begin(info.map);
  drawing.AddSheet(joined[0], west);
  drawing.AddSheet(joined[1], east);
  drawing.Finish();
  fuzz::CheckDxf(dxf, false);

  output::MosaicImage image({-40, 0, 40, 30}, fuzz::Fonts());
  image.AddSheet(joined[0], small_west);
  image.AddSheet(joined[1], small_east);
  PngBytes png{};
  std::string bytes = image.Encode();
  png.rest = bytes;
  cairo_surface_t* read = cairo_image_surface_create_from_png_stream(ReadPng, &png);
  FUZZ_CHECK(cairo_surface_status(read) == CAIRO_STATUS_SUCCESS, "mosaic PNG unreadable");
  FUZZ_CHECK(
      cairo_image_surface_get_width(read) == 80 && cairo_image_surface_get_height(read) == 30,
      "mosaic PNG of the wrong size");
  cairo_surface_destroy(read);
  return 0;
}
