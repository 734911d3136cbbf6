// The PDF writer over pictures built from the input (picture_input.h): whatever the figures,
// label bytes, fonts and layer names, the document must be one that qpdf reads without a
// warning, every stream decoding and the page's content parsing into operators, with one
// optional content group per top-level layer drawn. The same picture is then printed as a map of
// two sheets side by side (the mosaic's path: forms, pages, furniture, shared edges and labels
// left out once), at a scale and on a paper the input chooses, and must read back as cleanly.
#include <cstdint>
#include <string>
#include <string_view>

#include "conversion/mosaic_joins.h"
#include "fuzz_support.h"
#include "output/pdf/pdf_writer.h"
#include "output/pdf/printed_pdf.h"
#include "picture_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace sheetwright;
  fuzz::Reader in(data, size);
  const uint8_t flags = in.U8();
  picture::Picture sheet = fuzz::Build(in, 0);
  std::string pdf;
  output::WritePdf(sheet, 1 + flags % 800, 1 + flags % 600, sheet.label, fuzz::Fonts(),
                   [&](std::string_view chunk) { pdf += chunk; });
  size_t layers = 0;
  for (const picture::Record& r :
       sheet.width > 0 && sheet.height > 0 ? sheet.records : std::vector<picture::Record>{}) {
    if (auto* l = std::get_if<picture::LayerRec>(&r)) {
      const picture::Picture* layer = sheet.Layer(*l);
      layers += layer && layer->width > 0 && layer->height > 0;
    }
  }
  std::string problem = fuzz::PdfProblem(pdf, layers);
  FUZZ_CHECK(problem.empty(), "PDF:", problem);

  constexpr int kScales[] = {500, 1000, 2500, 5000, 10000};
  output::GroundBox west{-2000, 0, 0, 1500}, east{0, 0, 2000, 1500};
  output::PrintInfo info{sheet.label, sheet.id, {-2000, 0, 2000, 1500}, {west, east}};
  output::PrintLayout layout =
      output::LayOutPrint(info.map, kScales[flags % 5], static_cast<output::Paper>(flags / 5 % 6),
                          static_cast<output::Orientation>(flags / 30 % 3));
  if (layout.pages.size() > 64) return 0;  // a large print of a tiny paper says nothing more
  std::string printed;
  output::PrintedPdf map(layout, info, fuzz::Fonts(),
                         [&](std::string_view chunk) { printed += chunk; });
  conversion::SheetJoins joins;
  const int32_t bleed = 1 + flags % 16;
  for (const output::GroundBox& ground : {west, east}) {
    picture::Picture joined = sheet;
    joins.Join(joined, ground, bleed);
    fuzz::CheckPicture(joined);
    map.AddSheet(joined, ground, bleed);
  }
  map.Finish();
  problem = fuzz::PdfProblem(printed, fuzz::kAnyLayers);
  FUZZ_CHECK(problem.empty(), "printed PDF:", problem);
  return 0;
}
