#include "output/svg/printed_svg.h"

#include <algorithm>

#include "output/geometry/sheet_layers.h"
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
  std::string window;  // the id of the map window's clip
  // The sheets' pieces on the page: the map layer's place in layers_ and the piece's id.
  std::vector<std::pair<size_t, std::string>> pieces;
};

PrintedSvg::PrintedSvg(const PrintLayout& layout, PrintInfo info, picture::FontLibrary& fonts,
                       std::function<void(size_t page, std::string_view bytes)> write)
    : layout_(layout), info_(std::move(info)) {
  for (size_t i = 0; i < layout_.pages.size(); ++i) {
    pages_.push_back(
        std::make_unique<Page>(fonts, [write, i](std::string_view bytes) { write(i, bytes); }));
    Page& page = *pages_.back();
    page.writer.BeginPage(layout_.paper_width, layout_.paper_height);
    const PaperBox& window = layout_.window;
    page.window = page.writer.UniqueId("window", "window");
    page.out << "<defs><clipPath id=\"" << page.window << "\"><rect x=\"" << window.x << "\" y=\""
             << window.y << "\" width=\"" << window.width << "\" height=\"" << window.height
             << "\"/></clipPath></defs>\n";
  }
}

PrintedSvg::~PrintedSvg() = default;

// Each piece is a group of the defs named after the sheet's number and the layer ("s2.GAIKU_LINE"),
// placed on the page and clipped to the sheet's frame and bleed, in the sheet's units.
void PrintedSvg::AddSheet(const picture::Picture& sheet, const GroundBox& ground, int32_t bleed) {
  std::string prefix = 's' + std::to_string(++sheets_) + '.';
  std::vector<SheetLayer> pieces = SheetLayers(sheet);
  std::vector<size_t> order;
  for (const SheetLayer& piece : pieces) {
    auto [known, added] = layer_order_.try_emplace(piece.key, layers_.size());
    if (added) layers_.push_back({piece.id, piece.label});
    order.push_back(known->second);
  }
  double mm = layout_.MmPerMetre();
  double unit = mm * ground.Width() / picture::kFrameWidth;
  const PaperBox& window = layout_.window;
  for (size_t i = 0; i < pages_.size(); ++i) {
    const GroundBox& shown = layout_.pages[i].ground;
    if (!Overlap(ground, shown)) continue;
    Page& page = *pages_[i];
    std::string clip = page.writer.UniqueId(prefix + "frame", "frame");
    page.out << "<defs>\n<clipPath id=\"" << clip << "\"><rect x=\"" << -bleed << "\" y=\""
             << -bleed << "\" width=\"" << int64_t{sheet.width} + 2 * int64_t{bleed}
             << "\" height=\"" << int64_t{sheet.height} + 2 * int64_t{bleed} << "\"/></clipPath>\n";
    for (size_t k = 0; k < pieces.size(); ++k) {
      std::string id = page.writer.UniqueId(
          prefix + (pieces[k].id.empty() ? std::string("layer") : pieces[k].id), {});
      page.writer.PrintedPiece(pieces[k].picture, id, clip, unit,
                               window.x + (ground.west - shown.west) * mm,
                               window.y + window.height - (ground.north - shown.south) * mm);
      page.pieces.emplace_back(order[k], std::move(id));
    }
    page.out << "</defs>\n";
  }
}

// Each map layer, then the map's frame, then the page's furniture (print_layout.h) in tenths of a
// millimetre.
void PrintedSvg::Finish() {
  double mm = layout_.MmPerMetre();
  const PaperBox& window = layout_.window;
  for (size_t i = 0; i < pages_.size(); ++i) {
    const PrintPage& page = layout_.pages[i];
    Page& p = *pages_[i];
    svg::Output& out = p.out;
    std::stable_sort(p.pieces.begin(), p.pieces.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t k = 0; k < p.pieces.size(); ++k) {
      const Layer& layer = layers_[p.pieces[k].first];
      if (k == 0 || p.pieces[k - 1].first != p.pieces[k].first) {
        out << "<g inkscape:groupmode=\"layer\" id=\"" << p.writer.UniqueId(layer.id, "layer")
            << '"';
        if (!layer.label.empty()) out << " inkscape:label=\"" << svg::Escaped(layer.label) << '"';
        out << " clip-path=\"url(#" << p.window << ")\">\n";
      }
      out << "<use xlink:href=\"#" << p.pieces[k].second << "\"/>\n";
      if (k + 1 == p.pieces.size() || p.pieces[k + 1].first != p.pieces[k].first) out << "</g>\n";
    }
    const GroundBox& m = info_.map;
    out << "<g clip-path=\"url(#" << p.window << ")\"><rect x=\""
        << window.x + (m.west - page.ground.west) * mm << "\" y=\""
        << window.y + window.height - (m.north - page.ground.south) * mm << "\" width=\""
        << m.Width() * mm << "\" height=\"" << m.Height() * mm
        << "\" fill=\"none\" stroke=\"#000000\" stroke-width=\"" << 0.85 * kMmPerPoint
        << "\"/></g>\n";
    PageFurniture furniture = FurnitureOf(layout_, info_, page);
    out << "<g inkscape:groupmode=\"layer\" id=\"" << p.writer.UniqueId("furniture", "furniture")
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
