#include "output/svg/printed_svg.h"

#include <algorithm>
#include <stdexcept>
#include <system_error>

#include "base/messages.h"
#include "output/geometry/sheet_layers.h"
#include "output/svg/svg_page_writer.h"
#include "platform/files.h"

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
  Page(picture::FontLibrary& fonts, std::function<void(std::string_view)> file)
      : file(std::move(file)),
        route([this](std::string_view bytes) { to ? to(bytes) : this->file(bytes); }),
        out(route),
        writer(out, fonts) {}
  std::function<void(std::string_view)> file;
  std::function<void(std::string_view)> to;  // where the bytes go instead, while set
  std::function<void(std::string_view)> route;
  svg::Output out;
  svg::Writer writer;
  std::string window;  // the id of the map window's clip
  // The sheets' pieces kept in the scratch file: the map layer's place in layers_, and where.
  struct Piece {
    size_t layer;
    uint64_t offset, size;
  };
  std::vector<Piece> pieces;

  // Opens and closes an Inkscape layer of the page's map.
  void OpenLayer(const Layer& layer) {
    out << "<g inkscape:groupmode=\"layer\" id=\"" << writer.UniqueId(layer.id, "layer") << '"';
    if (!layer.label.empty()) out << " inkscape:label=\"" << svg::Escaped(layer.label) << '"';
    out << " clip-path=\"url(#" << window << ")\">\n";
  }
};

PrintedSvg::PrintedSvg(const PrintLayout& layout, PrintInfo info, picture::FontLibrary& fonts,
                       std::function<void(size_t page, std::string_view bytes)> write,
                       const std::string& scratch_beside)
    : layout_(layout), info_(std::move(info)), scratch_beside_(scratch_beside) {
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

// Each piece is a group named after the sheet's number and the layer ("s2.GAIKU_LINE"), placed on
// the page and clipped to the sheet's frame and bleed, in the sheet's units. One sheet's pieces go
// into the page at once, in their layers; those of a map of many wait in the scratch file.
void PrintedSvg::AddSheet(const picture::Picture& sheet, const GroundBox& ground, int32_t bleed) {
  if (sheets_ == 1 && scratch_beside_.empty()) {
    throw std::logic_error("a printed SVG of many sheets needs a scratch file");
  }
  if (!scratch_beside_.empty() && !scratch_) {
    try {
      scratch_ = std::make_unique<platform::ScratchFile>(platform::LinkTarget(scratch_beside_) +
                                                         ".pieces");
    } catch (const std::system_error& e) {
      throw base::ConversionError::Unwritable(scratch_beside_, e.what());
    }
  }
  std::string prefix = 's' + std::to_string(++sheets_) + '.';
  std::vector<SheetLayer> pieces = SheetLayers(sheet);
  std::vector<size_t> order;
  for (const SheetLayer& piece : pieces) {
    auto [known, added] = layer_order_.try_emplace(piece.key, layers_.size());
    if (added) layers_.push_back({piece.id, piece.label});
    order.push_back(known->second);
  }
  auto keep = [this](std::string_view bytes) {
    try {
      scratch_->Write(bytes);
    } catch (const std::system_error& e) {
      throw base::ConversionError::Unwritable(scratch_beside_, e.what());
    }
    scratch_size_ += bytes.size();
  };
  double mm = layout_.MmPerMetre();
  double unit = mm * ground.Width() / picture::kFrameWidth;
  const PaperBox& window = layout_.window;
  for (size_t i = 0; i < pages_.size(); ++i) {
    const GroundBox& shown = layout_.pages[i].ground;
    if (!Overlap(ground, shown)) continue;
    Page& page = *pages_[i];
    std::string clip = page.writer.UniqueId(prefix + "frame", "frame");
    page.out << "<defs><clipPath id=\"" << clip << "\"><rect x=\"" << -bleed << "\" y=\"" << -bleed
             << "\" width=\"" << int64_t{sheet.width} + 2 * int64_t{bleed} << "\" height=\""
             << int64_t{sheet.height} + 2 * int64_t{bleed} << "\"/></clipPath></defs>\n";
    for (size_t k = 0; k < pieces.size(); ++k) {
      std::string id = page.writer.UniqueId(
          prefix + (pieces[k].id.empty() ? std::string("layer") : pieces[k].id), {});
      auto draw = [&] {
        page.writer.PrintedPiece(pieces[k].picture, id, clip, unit,
                                 window.x + (ground.west - shown.west) * mm,
                                 window.y + window.height - (ground.north - shown.south) * mm);
      };
      if (!scratch_) {
        page.OpenLayer(layers_[order[k]]);
        draw();
        page.out << "</g>\n";
        continue;
      }
      page.out.Flush();
      page.to = keep;
      uint64_t offset = scratch_size_;
      draw();
      page.out.Flush();
      page.to = nullptr;
      page.pieces.push_back({order[k], offset, scratch_size_ - offset});
    }
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
                     [](const auto& a, const auto& b) { return a.layer < b.layer; });
    std::string buffer;
    for (size_t k = 0; k < p.pieces.size(); ++k) {
      const Page::Piece& piece = p.pieces[k];
      if (k == 0 || p.pieces[k - 1].layer != piece.layer) p.OpenLayer(layers_[piece.layer]);
      try {
        scratch_->Rewind(piece.offset);
        buffer.resize(piece.size);
        if (scratch_->Read(buffer.data(), buffer.size()) != buffer.size()) {
          throw std::system_error(std::make_error_code(std::errc::io_error), scratch_->path());
        }
      } catch (const std::system_error& e) {
        throw base::ConversionError::Unreadable(scratch_->path(), e.what());
      }
      out << buffer;
      if (k + 1 == p.pieces.size() || p.pieces[k + 1].layer != piece.layer) out << "</g>\n";
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
