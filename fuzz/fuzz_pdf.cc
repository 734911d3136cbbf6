// The PDF writer over pictures built from the input (picture_input.h): whatever the figures,
// label bytes, fonts and layer names, the document must be one that qpdf reads without a
// warning, every stream decoding and the page's content parsing into operators, with one
// optional content group per top-level layer drawn.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "output/pdf/pdf_writer.h"
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
  return 0;
}
