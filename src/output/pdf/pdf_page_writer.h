// The drawing of pictures into PDF content streams, shared by the one-page document of a sheet
// (pdf_writer.h) and the printed map (printed_pdf.h): the content's text, the graphics state it
// last set, and the writer that plays a picture into a page or a form. Internal to the PDF
// writers.
#pragma once

#include <charconv>
#include <cmath>
#include <concepts>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/source_date.h"
#include "output/geometry/line_chains.h"
#include "output/geometry/pen_floor.h"
#include "output/pdf/pdf_file.h"
#include "output/pdf/pdf_fonts.h"
#include "output/playback.h"
#include "picture/picture.h"

namespace sheetwright::picture {
class FontLibrary;
}

namespace sheetwright::output::pdf {

// Text for a content stream: numbers without locale, as few digits as they need.
class Content {
 public:
  Content& operator<<(std::string_view s) {
    text_.append(s);
    return *this;
  }
  Content& operator<<(const char* s) { return *this << std::string_view(s); }
  Content& operator<<(char c) {
    text_ += c;
    return *this;
  }
  template <std::integral T>
  Content& operator<<(T v) {
    char digits[24];
    return *this << std::string_view(digits, std::to_chars(digits, digits + 24, v).ptr - digits);
  }
  Content& operator<<(double v) {
    char digits[32];
    // Fixed notation (PDF has no exponents), to a millionth: page scales of a tiny page
    // still print as themselves.
    if (!(std::abs(v) >= 5e-7) || std::abs(v) > 1e12) v = 0;
    auto end = std::to_chars(digits, digits + 32, v, std::chars_format::fixed, 6).ptr;
    while (end[-1] == '0') --end;  // "0.5000" -> "0.5", "2.0000" -> "2"
    if (end[-1] == '.') --end;
    return *this << std::string_view(digits, end - digits);
  }
  Content& operator<<(picture::Rgb c) {
    return *this << c.r / 255.0 << ' ' << c.g / 255.0 << ' ' << c.b / 255.0;
  }
  std::string& text() { return text_; }

 private:
  std::string text_;
};

inline int64_t RgbKey(picture::ColorValue color) {
  picture::Rgb c = picture::ResolveColor(color);
  return (c.r << 16) | (c.g << 8) | c.b;
}

inline std::string Ref(int object) { return std::to_string(object) + " 0 R"; }

// "D:YYYYMMDDHHmmSSZ" of SOURCE_DATE_EPOCH, or empty.
inline std::string SourceDate() {
  std::optional<base::UtcTime> t = base::SourceDateEpoch();
  if (!t) return {};
  char date[32];
  std::snprintf(date, sizeof date, "D:%04d%02d%02d%02d%02d%02dZ", t->year, t->month, t->day,
                t->hour, t->minute, t->second);
  return date;
}

// What the page draws with, as the content stream last set it; unset after Q.
struct GraphicsState {
  int64_t stroke = -1, fill = -1;  // RGB, or -1; fill -2 - n: pattern n
  double width = -1;
};

class PageWriter {
 public:
  PageWriter(PdfFile& file, picture::FontLibrary& fonts)
      : file_(file), fonts_(fonts), pdf_fonts_(file) {}

  void Document(const picture::Picture& sheet, int width_pt, int height_pt, std::string_view title);

  // A printed map (PrintedPdf): every sheet a form drawn at `unit_pt` points per drawing unit,
  // pens and labels at the size the 800-point page gives them.
  void BeginPrint(double unit_pt);
  // The form shows `bleed` units beyond the frame on every side.
  int Form(const picture::Picture& sheet, int32_t bleed);
  // The resources every form and page share, written once the last page is made.
  int Resources() const { return resources_; }
  void WriteCatalog(int catalog, int pages);
  void WriteInfo(int info, std::string_view title);
  void WriteResources(const std::vector<int>& forms);
  void FurnitureText(double x, double baseline, int height, std::string_view utf8, bool right);
  Content& content() { return content_; }
  std::string TakeContent() { return std::exchange(content_.text(), {}); }
  void ForgetState() { gs_ = {}; }
  PdfFile& file() { return file_; }

 private:
  template <class>
  friend class output::Playback;

  void Polyline(std::span<const picture::Point> points, const picture::DcState& dc);
  void Line(picture::Point from, picture::Point to, const picture::DcState& dc);
  void Polygon(std::span<const picture::Point> points, const picture::DcState& dc);
  void Text(picture::Point at, std::string_view bytes, const picture::DcState& dc);
  void EndOfLines(const picture::DcState& dc);
  void EnterLayer(const LayerFrame& frame);
  void LeaveLayer(const LayerFrame& frame);
  void AfterRecord();

  void OpenGroup(const picture::Picture& picture);
  void CloseGroup();
  void Drawing();
  void StrokeColor(picture::ColorValue color);
  void FillColor(picture::ColorValue color);
  void Pen(const picture::DcState& dc);
  void Path(std::span<const picture::Point> points);
  int Hatch(const picture::DcState& dc);
  void Glyphs(const picture::LabelLayout& layout, double x, double baseline,
              const picture::DcState& dc);
  void Cut();
  void WritePage(int page, int pages, int width_pt, int height_pt);
  std::string ResourceDict(const std::string& more) const;
  void WriteHatches();

  PdfFile& file_;
  picture::FontLibrary& fonts_;
  PdfFonts pdf_fonts_;
  Content content_;
  std::vector<int> contents_;  // content stream objects
  GraphicsState gs_;
  LineChainer lines_;
  const picture::Picture* sheet_ = nullptr;
  // Per picture being played, the sheet first: one point of the page in its units, and the
  // graphics state its layer saved with q.
  std::vector<double> points_;
  std::vector<GraphicsState> saved_gs_;
  bool group_open_ = false;  // the sheet's own group
  int sheet_group_ = -1;
  std::vector<std::pair<int, std::string>> groups_;     // object and name, in drawing order
  std::map<std::pair<int64_t, int64_t>, int> hatches_;  // colour, background (-1 none)
  std::vector<std::pair<int, std::string>> hatch_objects_;
  // A printed map: pens and label sizes scaled by print_scale_ (the 800-point page's points per
  // unit over the print's), the hatch cell's points per unit, the groups by name.
  bool print_ = false;
  double print_scale_ = 1, hatch_matrix_ = kPenFloorPoints;
  int resources_ = -1;
  std::map<std::string, int> group_index_;
};

}  // namespace sheetwright::output::pdf
