// The drawing of pictures into SVG, shared by the document of a sheet (svg_writer.h) and the
// printed map (printed_svg.h): the chunked output, the text and attribute helpers, and the writer
// that plays a picture into a document. Internal to the SVG writers.
#pragma once

#include <cairo.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <concepts>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "base/encoding.h"
#include "output/geometry/line_chains.h"
#include "output/geometry/pen_floor.h"
#include "output/playback.h"
#include "picture/font_library.h"
#include "picture/label_text.h"
#include "picture/picture.h"

namespace sheetwright::output::svg {

inline constexpr size_t kChunkBytes = 64 * 1024;

// GDI's diagonal-cross hatch is an 8 x 8 device-pixel cell with both
// diagonals set, laid from the device origin whatever the scale. Here a device pixel is a point
// of the document's size, the unit thin pens are kept to.
inline constexpr int kHatchCellUnits = 8;

// Six significant digits, which lengths and scales never need more of.
inline std::string Decimal(double v) {
  char digits[32];
  auto end = std::to_chars(digits, digits + sizeof digits, v, std::chars_format::general, 6).ptr;
  return std::string(digits, end - digits);
}

// Formats into a buffer of its own and hands it on whenever it holds a chunk.
class Output {
 public:
  explicit Output(const std::function<void(std::string_view)>& write) : write_(write) {
    buffer_.reserve(kChunkBytes + 1024);
  }

  Output& operator<<(std::string_view s) {
    buffer_.append(s);
    if (buffer_.size() >= kChunkBytes) Flush();
    return *this;
  }
  Output& operator<<(const char* s) { return *this << std::string_view(s); }
  Output& operator<<(char c) { return *this << std::string_view(&c, 1); }
  template <std::integral T>
  Output& operator<<(T v) {
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, v).ptr;
    return *this << std::string_view(digits, end - digits);
  }
  Output& operator<<(double v) { return *this << Decimal(v); }

  void Flush() {
    if (buffer_.empty()) return;
    write_(buffer_);
    buffer_.clear();
  }

 private:
  const std::function<void(std::string_view)>& write_;
  std::string buffer_;
};

// Code points XML 1.0 allows in a document; any other (C0 controls, surrogates, U+FFFE/FFFF)
// would make the whole file unreadable.
inline bool XmlChar(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

inline void AppendUtf8(std::string& out, char32_t c) {
  static constexpr uint8_t kLead[] = {0x00, 0xC0, 0xE0, 0xF0};
  int extra = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
  out += static_cast<char>(kLead[extra] | (c >> (6 * extra)));
  for (int k = extra - 1; k >= 0; --k) out += static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F));
}

// True when a reader's default white-space handling would change the label (leading, trailing or
// doubled spaces, tabs, line breaks): such a label alone keeps its spaces with xml:space. Kept
// off the document as a whole, where it makes Inkscape hold every line break between elements
// (a third more memory on a large sheet).
inline bool FoldsSpaces(std::string_view utf8) {
  if (utf8.empty()) return false;
  if (utf8.front() == ' ' || utf8.back() == ' ') return true;
  return utf8.find("  ") != std::string_view::npos ||
         utf8.find_first_of("\t\r\n") != std::string_view::npos;
}

// UTF-8 text as attribute value or element content: markup characters escaped, tab and line
// breaks as references (a parser would fold them otherwise), anything XML cannot hold and any
// malformed byte as U+FFFD.
inline std::string Escaped(std::string_view utf8) {
  static constexpr std::pair<char32_t, std::string_view> kReferences[] = {
      {'<', "&lt;"},  {'>', "&gt;"},   {'&', "&amp;"}, {'"', "&quot;"},
      {'\t', "&#9;"}, {'\n', "&#10;"}, {'\r', "&#13;"}};
  std::string out;
  out.reserve(utf8.size() + 16);
  for (char32_t c : base::CodePoints(utf8)) {
    auto ref = std::find_if(std::begin(kReferences), std::end(kReferences),
                            [&](const auto& r) { return r.first == c; });
    if (ref != std::end(kReferences)) {
      out += ref->second;
    } else {
      AppendUtf8(out, XmlChar(c) ? c : 0xFFFD);
    }
  }
  return out;
}

inline std::string Hex(picture::ColorValue value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  picture::Rgb c = picture::ResolveColor(value);
  std::string out = "#";
  for (uint8_t v : {c.r, c.g, c.b}) {
    out += kDigits[v >> 4];
    out += kDigits[v & 15];
  }
  return out;
}

// A font family for CSS: quoted, so that spaces and full-width letters need no care.
inline std::string Quoted(std::string_view family) {
  std::string out = "'";
  for (char c : family) {
    if (c == '\'' || c == '\\') out += '\\';
    out += c;
  }
  return out + "'";
}

inline std::string Utf8(std::u32string_view text) {
  std::string out;
  for (char32_t c : text) AppendUtf8(out, c);
  return out;
}

// The label face, what stands in for it here, the Japanese face that draws what these lack, then
// the generic family of its kind, so that a reader without them still draws Mincho labels with
// serifs.
inline std::string FontFamily(const std::string& face) {
  std::string stand_in = picture::FontLibrary::SubstituteFace(face);
  std::string family;
  if (!face.empty()) family += Quoted(face) + ",";
  if (!stand_in.empty() && stand_in != face) family += Quoted(stand_in) + ",";
  if (stand_in.rfind("IPA", 0) != 0) family += Quoted(picture::kJapaneseFallbackFamily) + ",";
  bool mincho = false;
  for (std::string_view name : {std::string_view(face), std::string_view(stand_in)}) {
    mincho = mincho || name.find("明朝") != name.npos || name.find("Mincho") != name.npos;
  }
  return family + (mincho ? "serif" : "sans-serif");
}

// An id as XML allows it (a letter or '_' first, then letters, digits, '_', '-', '.').
inline std::string IdOf(std::string_view wanted) {
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  std::string id;
  for (char c : wanted) {
    id += letter(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' ? c : '_';
  }
  return id.empty() || !letter(id[0]) ? "_" + id : id;
}

class Writer {
 public:
  Writer(Output& out, picture::FontLibrary& fonts) : out_(out), fonts_(fonts) {}

  void Document(const picture::Picture& sheet, int width_pt, int height_pt) {
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

  // A page of a printed map: a document of `width_mm` x `height_mm` whose units are millimetres,
  // on white paper. The caller closes it with "</svg>".
  void BeginPage(double width_mm, double height_mm) {
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

  // A sheet of a printed map, `unit_mm` millimetres to the drawing unit, its frame's north-west
  // corner at (x, y) mm. Pens and labels keep the size the 800-point page gives them (the styles
  // are for paper), pens never thinner than the vector formats' floor.
  void PrintedSheet(const picture::Picture& sheet, double unit_mm, double x, double y) {
    double unit_pt = unit_mm * 72 / 25.4;
    print_ = true;
    print_scale_ = 800.0 / picture::kFrameWidth / unit_pt;
    font_known_ = false;
    out_ << "<g transform=\"matrix(" << unit_mm << " 0 0 " << unit_mm << ' ' << x << ' ' << y
         << ")\">\n";
    sheet_ = &sheet;
    points_.assign(1, 1 / unit_pt);
    Play(sheet, *this);
    if (sheet_open_) CloseLayer();
    sheet_open_ = false;
    CloseRun();
    out_ << "</g>\n";
    sheet_ = nullptr;
  }

  Output& out() { return out_; }
  // `wanted` made a valid id, with "-2", "-3", ... when taken (an empty one becomes `fallback`).
  std::string UniqueId(std::string_view wanted, std::string_view fallback) {
    std::string base = IdOf(wanted.empty() ? fallback : wanted);
    std::string id = base;
    for (int n = 2; !ids_.insert(id).second; ++n) id = base + '-' + std::to_string(n);
    return id;
  }

 private:
  template <class>
  friend class output::Playback;

  void Polyline(std::span<const picture::Point> points, const picture::DcState& dc) {
    Lines(points, dc);
  }
  void Line(picture::Point from, picture::Point to, const picture::DcState& dc) {
    picture::Point line[] = {from, to};
    Lines(line, dc);
  }
  void EndOfLines(const picture::DcState&) { WriteOpenLines(); }

  // Layers nest like SAVEDC / RESTOREDC: what a layer selects ends with it. Drawn over the
  // whole frame of the picture that holds it.
  void EnterLayer(const LayerFrame& frame) {
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
  void LeaveLayer(const LayerFrame&) {
    points_.pop_back();
    CloseLayer();
  }

  // Opens a layer's group, leaving the start tag open for more attributes.
  void OpenLayer(const picture::Picture& picture) {
    CloseRun();
    out_ << "<g inkscape:groupmode=\"layer\" id=\"" << UniqueId(picture.id, "layer") << '"';
    if (!picture.label.empty()) out_ << " inkscape:label=\"" << Escaped(picture.label) << '"';
  }

  void CloseLayer() {
    CloseRun();
    out_ << "</g>\n";
  }

  // Elements share their presentation attributes through a group per run of elements drawn alike.
  // What the sheet draws itself goes into a layer of its own, opened at its first element.
  void Run(const std::string& attributes) {
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

  void CloseRun() {
    if (!run_open_) return;
    out_ << "</g>\n";
    run_open_ = false;
  }

  // Round caps and joins, and never thinner than the vector formats' floor (pen_floor.h).
  std::string Stroke(const picture::DcState& dc) const {
    double width = !print_ ? VectorPenWidth(dc.pen.width, points_.back())
                           : std::max(std::max(dc.pen.width, 0) * print_scale_,
                                      kPenFloorPoints * points_.back());
    return " stroke=\"" + Hex(dc.pen.color) + "\" stroke-width=\"" + Decimal(width) +
           "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"";
  }

  // A path of absolute first point and relative steps: map lines move a few units at a time, so
  // the steps are short numbers.
  void Path(std::span<const picture::Point> points, bool close) {
    out_ << "<path d=\"M" << points[0].x << ' ' << points[0].y;
    Steps(points);
    out_ << (close ? "z\"/>\n" : "\"/>\n");
  }

  // The points after the first as relative line steps.
  void Steps(std::span<const picture::Point> points) {
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

  // A run of lines under one pen becomes one path, chained end to end (line_chains.h): a drawing
  // program's time and memory grow with every element, and the stroke covers the same ground.
  void Lines(std::span<const picture::Point> points, const picture::DcState& dc) {
    if (dc.pen.style == picture::PenStyle::kNull) return;
    if (open_lines_.empty()) open_stroke_ = " fill=\"none\"" + Stroke(dc);
    open_lines_.Add(points);
  }

  // Each chain after the first moves on from where the one before ended, relative as the steps.
  void WriteOpenLines() {
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

  void Polygon(std::span<const picture::Point> points, const picture::DcState& dc) {
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

  // The hatch pattern of the current brush, written where it is first needed; the gaps show the
  // background colour unless the background is transparent.
  std::string Hatch(const picture::DcState& dc) {
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
    out_ << "<defs><pattern id=\"" << it->second << "\" patternUnits=\"userSpaceOnUse\" width=\""
         << s << "\" height=\"" << s << "\">";
    if (!bg.empty()) {
      out_ << "<rect width=\"" << s << "\" height=\"" << s << "\" fill=\"" << bg << "\"/>";
    }
    out_ << "<path d=\"";
    const double lines[6][4] = {{-s, -s, 2 * s, 2 * s}, {-s, 0, s, 2 * s},
                                {0, -s, 2 * s, s},      {-s, s, s, -s},
                                {-s, 2 * s, 2 * s, -s}, {0, 2 * s, 2 * s, 0}};
    for (const auto& l : lines) out_ << 'M' << l[0] << ' ' << l[1] << 'L' << l[2] << ' ' << l[3];
    out_ << "\" fill=\"none\" stroke=\"" << fg << "\" stroke-width=\"" << point
         << "\"/></pattern></defs>\n";
    return it->second;
  }

  // Anchored at the baseline, which lies the font's ascent below the top-left corner the
  // picture gives. The characters are left to the reader's layout of the same face.
  void Text(picture::Point at, std::string_view bytes, const picture::DcState& dc) {
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

  Output& out_;
  picture::FontLibrary& fonts_;
  const picture::Picture* sheet_ = nullptr;
  std::vector<double> points_;  // one point of the document in the units of each picture played
  LineChainer open_lines_;      // lines of the current pen not yet written
  std::string open_stroke_;     // their run's attributes
  bool sheet_open_ = false;     // the layer of what the sheet draws itself
  bool run_open_ = false;
  std::string run_;  // attributes of the open run
  std::set<std::string> ids_;
  std::map<std::tuple<std::string, std::string, double>, std::string> patterns_;
  // The font of the last text and what it takes.
  bool font_known_ = false;
  picture::LabelFont font_;
  bool font_ok_ = false;
  int64_t ascent_ = 0;
  std::string font_attributes_;
  std::string decoration_;
  // A printed map: pens and label sizes scaled by print_scale_ (the 800-point page's points per
  // unit over the print's).
  bool print_ = false;
  double print_scale_ = 1;
};

}  // namespace sheetwright::output::svg
