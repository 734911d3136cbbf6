#include "output/svg/svg_page_writer.h"

#include <cairo.h>

#include <cmath>

namespace sheetwright::output::svg {

void Writer::Document(const picture::Picture& sheet, int width_pt, int height_pt) {
  int32_t width = std::max<int32_t>(sheet.width, 1), height = std::max<int32_t>(sheet.height, 1);
  out_ << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
       << "<svg xmlns=\"http://www.w3.org/2000/svg\" "
          "xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" "
          "xmlns:sodipodi=\"http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd\" "
          "version=\"1.1\" width=\""
       << width_pt << "pt\" height=\"" << height_pt << "pt\" viewBox=\"0 0 " << width << ' '
       << height << "\">\n";
  // The white paper is a locked layer of its own: a click on the map in a drawing program
  // selects what was clicked, not the paper behind it.
  out_ << "<g inkscape:groupmode=\"layer\" id=\"" << UniqueId("background", "background")
       << "\" inkscape:label=\"背景\" sodipodi:insensitive=\"true\"><rect width=\"" << width
       << "\" height=\"" << height << "\" fill=\"#ffffff\"/></g>\n";
  if (sheet.width > 0 && sheet.height > 0) {
    sheet_ = &sheet;
    // The pen rule of the Cairo renderer on a surface measured in points: the geometric mean
    // of the two axes' scales, so that an anisotropic size keeps lines even.
    points_.push_back(std::sqrt(static_cast<double>(sheet.width) / width_pt *
                                (static_cast<double>(sheet.height) / height_pt)));
    Play(sheet, *this);
    if (sheet_open_) CloseLayer();
  }
  out_ << "</svg>\n";
}

void Writer::BeginPage(double width_mm, double height_mm) {
  out_ << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
       << "<svg xmlns=\"http://www.w3.org/2000/svg\" "
          "xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" "
          "xmlns:sodipodi=\"http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd\" "
          "version=\"1.1\" width=\""
       << width_mm << "mm\" height=\"" << height_mm << "mm\" viewBox=\"0 0 " << width_mm << ' '
       << height_mm << "\">\n";
  out_ << "<g inkscape:groupmode=\"layer\" id=\"" << UniqueId("background", "background")
       << "\" inkscape:label=\"背景\" sodipodi:insensitive=\"true\"><rect width=\"" << width_mm
       << "\" height=\"" << height_mm << "\" fill=\"#ffffff\"/></g>\n";
}

void Writer::PrintedPiece(const picture::Picture& piece, std::string_view id, std::string_view clip,
                          double unit_mm, double x, double y) {
  double unit_pt = unit_mm * 72 / 25.4;
  print_ = true;
  print_scale_ = 800.0 / picture::kFrameWidth / unit_pt;
  font_known_ = false;
  out_ << "<g id=\"" << id << "\" transform=\"matrix(" << unit_mm << " 0 0 " << unit_mm << ' ' << x
       << ' ' << y << ")\" clip-path=\"url(#" << clip << ")\">\n";
  sheet_ = &piece;
  points_.assign(1, 1 / unit_pt);
  Play(piece, *this);
  if (sheet_open_) CloseLayer();
  sheet_open_ = false;
  CloseRun();
  out_ << "</g>\n";
  sheet_ = nullptr;
}

std::string Writer::UniqueId(std::string_view wanted, std::string_view fallback) {
  std::string base = IdOf(wanted.empty() ? fallback : wanted);
  std::string id = base;
  for (int n = 2; !ids_.insert(id).second; ++n) id = base + '-' + std::to_string(n);
  return id;
}

void Writer::EnterLayer(const LayerFrame& frame) {
  if (frame.depth == 1 && sheet_open_) {
    CloseLayer();
    sheet_open_ = false;
  }
  OpenLayer(frame.layer);
  if (frame.sx != 1 || frame.sy != 1) {
    out_ << " transform=\"scale(" << frame.sx << ' ' << frame.sy << ")\"";
  }
  out_ << ">\n";
  points_.push_back(points_.back() / std::sqrt(frame.sx * frame.sy));
}

void Writer::OpenLayer(const picture::Picture& picture) {
  CloseRun();
  if (print_) {
    out_ << "<g";
  } else {
    out_ << "<g inkscape:groupmode=\"layer\" id=\"" << UniqueId(picture.id, "layer") << '"';
  }
  if (!picture.label.empty()) out_ << " inkscape:label=\"" << Escaped(picture.label) << '"';
}

void Writer::Run(const std::string& attributes) {
  if (points_.size() == 1 && !sheet_open_) {
    OpenLayer(*sheet_);
    out_ << ">\n";
    sheet_open_ = true;
  }
  if (run_open_ && attributes == run_) return;
  CloseRun();
  out_ << "<g" << attributes << ">\n";
  run_ = attributes;
  run_open_ = true;
}

void Writer::CloseRun() {
  if (!run_open_) return;
  out_ << "</g>\n";
  run_open_ = false;
}

std::string Writer::Stroke(const picture::DcState& dc) const {
  double width = !print_ ? VectorPenWidth(dc.pen.width, points_.back())
                         : std::max(std::max(dc.pen.width, 0) * print_scale_,
                                    kPenFloorPoints * points_.back());
  return " stroke=\"" + Hex(dc.pen.color) + "\" stroke-width=\"" + Decimal(width) +
         "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"";
}

void Writer::Path(std::span<const picture::Point> points, bool close) {
  out_ << "<path d=\"M" << points[0].x << ' ' << points[0].y;
  Steps(points);
  out_ << (close ? "z\"/>\n" : "\"/>\n");
}

void Writer::Steps(std::span<const picture::Point> points) {
  out_ << 'l';
  for (size_t i = 1; i < points.size(); ++i) {
    int64_t dx = int64_t{points[i].x} - points[i - 1].x;
    int64_t dy = int64_t{points[i].y} - points[i - 1].y;
    if (i > 1 && dx >= 0) out_ << ' ';
    out_ << dx;
    if (dy >= 0) out_ << ' ';
    out_ << dy;
  }
}

void Writer::Lines(std::span<const picture::Point> points, const picture::DcState& dc) {
  if (dc.pen.style == picture::PenStyle::kNull) return;
  if (open_lines_.empty()) open_stroke_ = " fill=\"none\"" + Stroke(dc);
  open_lines_.Add(points);
}

void Writer::WriteOpenLines() {
  if (open_lines_.empty()) return;
  Run(open_stroke_);
  out_ << "<path d=\"";
  bool first = true;
  picture::Point at{0, 0};
  open_lines_.Chain([&](std::span<const picture::Point> chain) {
    if (first) {
      out_ << 'M' << chain[0].x << ' ' << chain[0].y;
    } else {
      out_ << 'm' << int64_t{chain[0].x} - at.x << ' ' << int64_t{chain[0].y} - at.y;
    }
    first = false;
    Steps(chain);
    at = chain.back();
  });
  out_ << "\"/>\n";
}

void Writer::Polygon(std::span<const picture::Point> points, const picture::DcState& dc) {
  bool pen = dc.pen.style != picture::PenStyle::kNull;
  if (!pen && dc.brush.style == picture::BrushStyle::kNull) return;
  std::string attributes = " fill-rule=\"evenodd\" fill=\"";
  switch (dc.brush.style) {
    case picture::BrushStyle::kSolid:
      attributes += Hex(dc.brush.color) + '"';
      break;
    case picture::BrushStyle::kDiagCross:
      attributes += "url(#" + Hatch(dc) + ")\"";
      break;
    case picture::BrushStyle::kNull:
      attributes += "none\"";
      break;
  }
  if (pen) attributes += Stroke(dc);
  Run(attributes);
  Path(points, true);
}

std::string Writer::Hatch(const picture::DcState& dc) {
  double point = points_.back();
  std::string fg = Hex(dc.brush.color);
  std::string bg = dc.bk_mode == picture::BkMode::kOpaque ? Hex(dc.bk_color) : std::string();
  auto [it, inserted] = patterns_.try_emplace(std::tuple(fg, bg, point));
  if (!inserted) return it->second;
  it->second = UniqueId("hatch", "hatch");
  // Properties inherit into a pattern from where it stands, not from what uses it: it goes
  // outside any run, and its lines say everything they need. The lines of both diagonal
  // families that cross the cell run on past it, so that cells meet without notches.
  CloseRun();
  double s = kHatchCellUnits * point;
  out_ << "<defs><pattern id=\"" << it->second << "\" patternUnits=\"userSpaceOnUse\" width=\"" << s
       << "\" height=\"" << s << "\">";
  if (!bg.empty()) {
    out_ << "<rect width=\"" << s << "\" height=\"" << s << "\" fill=\"" << bg << "\"/>";
  }
  out_ << "<path d=\"";
  const double lines[6][4] = {{-s, -s, 2 * s, 2 * s}, {-s, 0, s, 2 * s},      {0, -s, 2 * s, s},
                              {-s, s, s, -s},         {-s, 2 * s, 2 * s, -s}, {0, 2 * s, 2 * s, 0}};
  for (const auto& l : lines) out_ << 'M' << l[0] << ' ' << l[1] << 'L' << l[2] << ' ' << l[3];
  out_ << "\" fill=\"none\" stroke=\"" << fg << "\" stroke-width=\"" << point
       << "\"/></pattern></defs>\n";
  return it->second;
}

void Writer::Text(picture::Point at, std::string_view bytes, const picture::DcState& dc) {
  if (bytes.empty()) return;
  if (!font_known_ || !(dc.font == font_)) {
    font_known_ = true;
    font_ = dc.font;
    font_ok_ = cairo_scaled_font_status(fonts_.ScaledFont(font_)) == CAIRO_STATUS_SUCCESS;
    ascent_ = static_cast<int64_t>(fonts_.Ascent(font_));
    // A printed label keeps its size on paper: scaled about its anchor.
    font_attributes_ = " font-family=\"" + Escaped(FontFamily(font_.face_name)) +
                       "\" font-size=\"" +
                       (print_ ? Decimal(fonts_.PixelSize(font_) * print_scale_)
                               : std::to_string(std::lround(fonts_.PixelSize(font_)))) +
                       '"';
    if (font_.style & picture::kBold) font_attributes_ += " font-weight=\"bold\"";
    if (font_.style & picture::kItalic) font_attributes_ += " font-style=\"italic\"";
    // Decorations do not pass from a group to the text in it (SVG readers follow CSS here):
    // they go on each text element.
    decoration_.clear();
    if (font_.style & (picture::kUnderline | picture::kStrikeOut)) {
      bool both = (font_.style & picture::kUnderline) && (font_.style & picture::kStrikeOut);
      decoration_ = std::string(" text-decoration=\"") +
                    ((font_.style & picture::kUnderline) ? "underline" : "") + (both ? " " : "") +
                    ((font_.style & picture::kStrikeOut) ? "line-through" : "") + '"';
    }
  }
  if (!font_ok_) return;  // the Cairo renderer draws nothing either
  Run(font_attributes_ + " fill=\"" + Hex(dc.text_color) + '"');
  if (dc.bk_mode == picture::BkMode::kOpaque) {
    picture::TextExtent extent = fonts_.Measure(font_, bytes);
    if (extent.width > 0 && extent.height > 0 && !print_) {
      out_ << "<rect x=\"" << at.x << "\" y=\"" << at.y << "\" width=\"" << extent.width
           << "\" height=\"" << extent.height << "\" fill=\"" << Hex(dc.bk_color) << "\"/>";
    } else if (extent.width > 0 && extent.height > 0) {
      out_ << "<rect x=\"" << at.x << "\" y=\"" << at.y << "\" width=\""
           << extent.width * print_scale_ << "\" height=\"" << extent.height * print_scale_
           << "\" fill=\"" << Hex(dc.bk_color) << "\"/>";
    }
  }
  std::string words = Utf8(picture::LabelCharacters(bytes));
  out_ << "<text x=\"" << at.x << "\" y=\"";
  if (print_) {
    out_ << at.y + static_cast<double>(ascent_) * print_scale_;
  } else {
    out_ << at.y + ascent_;
  }
  out_ << '"' << decoration_ << (FoldsSpaces(words) ? " xml:space=\"preserve\">" : ">")
       << Escaped(words) << "</text>\n";
}

}  // namespace sheetwright::output::svg
