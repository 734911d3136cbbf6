// The drawing of pictures into SVG, shared by the document of a sheet (svg_writer.h) and the
// printed map (printed_svg.h): the chunked output, the text and attribute helpers, and the writer
// that plays a picture into a document (its drawing in svg_page_writer.cc). Internal to the SVG
// writers.
#pragma once

#include <algorithm>
#include <charconv>
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

  void Document(const picture::Picture& sheet, int width_pt, int height_pt);

  // A page of a printed map: a document of `width_mm` x `height_mm` whose units are millimetres,
  // on white paper. The caller closes it with "</svg>".
  void BeginPage(double width_mm, double height_mm);

  // A piece of a sheet of a printed map (sheet_layers.h) as a group `id`, `unit_mm` millimetres
  // to the drawing unit, its sheet's north-west corner at (x, y) mm, clipped by the clip path
  // `clip` (in the sheet's units). Pens and labels keep the size the 800-point page gives them
  // (the styles are for paper), pens never thinner than the vector formats' floor. The layers it
  // holds are plain groups with their caption: the piece lies in one of the page's layers.
  void PrintedPiece(const picture::Picture& piece, std::string_view id, std::string_view clip,
                    double unit_mm, double x, double y);

  Output& out() { return out_; }
  // `wanted` made a valid id, with "-2", "-3", ... when taken (an empty one becomes `fallback`).
  std::string UniqueId(std::string_view wanted, std::string_view fallback);

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
  void EnterLayer(const LayerFrame& frame);
  void LeaveLayer(const LayerFrame&) {
    points_.pop_back();
    CloseLayer();
  }

  // Opens a layer's group, leaving the start tag open for more attributes: an Inkscape layer, or
  // in a printed map's piece a group with the layer's caption.
  void OpenLayer(const picture::Picture& picture);

  void CloseLayer() {
    CloseRun();
    out_ << "</g>\n";
  }

  // Elements share their presentation attributes through a group per run of elements drawn alike.
  // What the sheet draws itself goes into a layer of its own, opened at its first element.
  void Run(const std::string& attributes);

  void CloseRun();

  // Round caps and joins, and never thinner than the vector formats' floor (pen_floor.h).
  std::string Stroke(const picture::DcState& dc) const;

  // A path of absolute first point and relative steps: map lines move a few units at a time, so
  // the steps are short numbers.
  void Path(std::span<const picture::Point> points, bool close);

  // The points after the first as relative line steps.
  void Steps(std::span<const picture::Point> points);

  // A run of lines under one pen becomes one path, chained end to end (line_chains.h): a drawing
  // program's time and memory grow with every element, and the stroke covers the same ground.
  void Lines(std::span<const picture::Point> points, const picture::DcState& dc);

  // Each chain after the first moves on from where the one before ended, relative as the steps.
  void WriteOpenLines();

  void Polygon(std::span<const picture::Point> points, const picture::DcState& dc);

  // The hatch pattern of the current brush, written where it is first needed; the gaps show the
  // background colour unless the background is transparent.
  std::string Hatch(const picture::DcState& dc);

  // Anchored at the baseline, which lies the font's ascent below the top-left corner the
  // picture gives. The characters are left to the reader's layout of the same face.
  void Text(picture::Point at, std::string_view bytes, const picture::DcState& dc);

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
