#include "output/svg/svg_writer.h"

#include "base/messages.h"
#include "output/svg/svg_page_writer.h"

namespace sheetwright::output {

void WriteSvg(const picture::Picture& sheet, int width_pt, int height_pt,
              picture::FontLibrary& fonts, const std::function<void(std::string_view)>& write) {
  if (width_pt <= 0 || height_pt <= 0) throw base::ConversionError("invalid image size");
  svg::Output out(write);
  svg::Writer(out, fonts).Document(sheet, width_pt, height_pt);
  out.Flush();
}

std::string EncodeSvg(const picture::Picture& sheet, int width_pt, int height_pt,
                      picture::FontLibrary& fonts) {
  std::string svg;
  WriteSvg(sheet, width_pt, height_pt, fonts, [&](std::string_view chunk) { svg += chunk; });
  return svg;
}

}  // namespace sheetwright::output
