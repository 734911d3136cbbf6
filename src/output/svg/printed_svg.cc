#include "output/svg/printed_svg.h"

#include "output/svg/svg_page_writer.h"

namespace sheetwright::output {
namespace {

constexpr double kMmPerPoint = 25.4 / 72;
// The face of the page's furniture.
constexpr std::string_view kFurnitureFace = "IPAPGothic";

bool Overlap(const GroundBox& a, const GroundBox& b) {
  return a.west < b.east && b.west < a.east && a.south < b.north && b.south < a.north;
}

}  // namespace

struct PrintedSvg::Page {
  Page(picture::FontLibrary& fonts, std::function<void(std::string_view)> w)
      : write(std::move(w)), out(write), writer(out, fonts) {}
  std::function<void(std::string_view)> write;
  svg::Output out;
  svg::Writer writer;
};

PrintedSvg::PrintedSvg(const PrintLayout& layout, PrintInfo info, picture::FontLibrary& fonts,
                       std::function<void(size_t page, std::string_view bytes)> write)
    : layout_(layout), info_(std::move(info)) {
  for (size_t i = 0; i < layout_.pages.size(); ++i) {
    pages_.push_back(
        std::make_unique<Page>(fonts, [write, i](std::string_view bytes) { write(i, bytes); }));
    svg::Writer& w = pages_.back()->writer;
    w.BeginPage(layout_.paper_width, layout_.paper_height);
    const PaperBox& window = layout_.window;
    std::string clip = w.UniqueId("window", "window");
    w.out() << "<defs><clipPath id=\"" << clip << "\"><rect x=\"" << window.x << "\" y=\""
            << window.y << "\" width=\"" << window.width << "\" height=\"" << window.height
            << "\"/></clipPath></defs>\n<g clip-path=\"url(#" << clip << ")\">\n";
  }
}

PrintedSvg::~PrintedSvg() = default;

void PrintedSvg::AddSheet(const picture::Picture& sheet, const GroundBox& ground) {
  double mm = layout_.MmPerMetre();
  const PaperBox& window = layout_.window;
  for (size_t i = 0; i < pages_.size(); ++i) {
    const GroundBox& shown = layout_.pages[i].ground;
    if (!Overlap(ground, shown)) continue;
    pages_[i]->writer.PrintedSheet(sheet, mm * ground.Width() / picture::kFrameWidth,
                                   window.x + (ground.west - shown.west) * mm,
                                   window.y + window.height - (ground.north - shown.south) * mm);
  }
}

// The map's frame, then the page's furniture (print_layout.h) in tenths of a millimetre.
void PrintedSvg::Finish() {
  double mm = layout_.MmPerMetre();
  const PaperBox& window = layout_.window;
  for (size_t i = 0; i < pages_.size(); ++i) {
    const PrintPage& page = layout_.pages[i];
    svg::Output& out = pages_[i]->out;
    const GroundBox& m = info_.map;
    out << "<rect x=\"" << window.x + (m.west - page.ground.west) * mm << "\" y=\""
        << window.y + window.height - (m.north - page.ground.south) * mm << "\" width=\""
        << m.Width() * mm << "\" height=\"" << m.Height() * mm
        << "\" fill=\"none\" stroke=\"#000000\" stroke-width=\"" << 0.85 * kMmPerPoint
        << "\"/>\n</g>\n";
    PageFurniture furniture = FurnitureOf(layout_, info_, page);
    out << "<g inkscape:groupmode=\"layer\" id=\""
        << pages_[i]->writer.UniqueId("furniture", "furniture")
        << "\" inkscape:label=\"frame\" transform=\"scale(0.1)\">\n";
    for (const FurnitureShape& shape : furniture.shapes) {
      out << "<path d=\"";
      for (size_t k = 0; k < shape.corners.size(); ++k) {
        out << (k == 0 ? 'M' : 'L') << shape.corners[k][0] << ' ' << shape.corners[k][1];
      }
      out << "z\" fill=\"";
      if (shape.fill_grey < 0) {
        out << "none";
      } else {
        auto level = static_cast<int>(std::lround(shape.fill_grey * 255));
        out << svg::Hex(picture::ColorValue(level * 0x010101));
      }
      out << '"';
      if (shape.stroke > 0) out << " stroke=\"#000000\" stroke-width=\"" << shape.stroke << '"';
      out << "/>\n";
    }
    out << "<g font-family=\"" << svg::Quoted(kFurnitureFace)
        << ",sans-serif\" fill=\"#000000\">\n";
    for (const FurnitureText& text : furniture.texts) {
      out << "<text x=\"" << text.x << "\" y=\"" << text.baseline << "\" font-size=\""
          << text.height << '"' << (text.right ? " text-anchor=\"end\"" : "") << '>'
          << svg::Escaped(text.text) << "</text>\n";
    }
    out << "</g>\n</g>\n</svg>\n";
    out.Flush();
  }
}

}  // namespace sheetwright::output
