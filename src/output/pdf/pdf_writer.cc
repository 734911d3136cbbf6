#include "output/pdf/pdf_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <concepts>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include "base/encoding.h"
#include "base/messages.h"
#include "base/source_date.h"
#include "output/geometry/line_chains.h"
#include "output/geometry/pen_floor.h"
#include "output/pdf/pdf_file.h"
#include "output/pdf/pdf_fonts.h"
#include "output/playback.h"
#include "picture/font_library.h"

namespace sheetwright::output {
namespace {

// A content stream is cut into objects of about this size, between operators.
constexpr size_t kContentBytes = 1 << 20;
// The diagonal-cross hatch: a cell of 8 x 8 of the thinnest pens (pen_floor.h), as the PNG lays
// 8 x 8 pixels, with both diagonals drawn one such pen wide.
constexpr int kHatchCell = 8;
// Synthetic italic slants by this much of the height; synthetic bold strokes the outline with a
// pen of this fraction of the em.
constexpr double kSlant = 0.2;
constexpr double kBoldStroke = 1.0 / 24;

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

int64_t RgbKey(picture::ColorValue color) {
  picture::Rgb c = picture::ResolveColor(color);
  return (c.r << 16) | (c.g << 8) | c.b;
}

std::string Ref(int object) { return std::to_string(object) + " 0 R"; }

// "D:YYYYMMDDHHmmSSZ" of SOURCE_DATE_EPOCH, or empty.
std::string SourceDate() {
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

class Writer {
 public:
  Writer(PdfFile& file, picture::FontLibrary& fonts)
      : file_(file), fonts_(fonts), pdf_fonts_(file) {}

  void Document(const picture::Picture& sheet, int width_pt, int height_pt, std::string_view title);

  // A printed map (PrintedPdf): every sheet a form drawn at `unit_pt` points per drawing unit,
  // pens and labels at the size the 800-point page gives them.
  void BeginPrint(double unit_pt);
  int Form(const picture::Picture& sheet);
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
  // A mosaic leaves out what a sheet drawn before shows already: a line along the edge they
  // share, a name label both repeat. Empty: everything is drawn.
  std::function<bool(std::span<const picture::Point>)> skip_line;
  std::function<bool(picture::Point, std::string_view)> skip_label;

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

void Writer::Document(const picture::Picture& sheet, int width_pt, int height_pt,
                      std::string_view title) {
  int catalog = file_.Reserve(), pages = file_.Reserve(), page = file_.Reserve();
  int info = file_.Reserve();
  if (sheet.width > 0 && sheet.height > 0) {
    sheet_ = &sheet;
    double sx = static_cast<double>(width_pt) / sheet.width;
    double sy = static_cast<double>(height_pt) / sheet.height;
    // Drawing units, y down, round caps and joins as GDI strokes.
    content_ << "1 J 1 j " << sx << " 0 0 " << -sy << " 0 " << height_pt << " cm\n";
    // One point in drawing units: the geometric mean of the axes' scales, as the other
    // renderers take it, so that an anisotropic size keeps lines even.
    points_.push_back(1 / std::sqrt(sx * sy));
    Play(sheet, *this);
    if (group_open_) CloseGroup();
  }
  contents_.push_back(file_.Reserve());
  file_.Stream(contents_.back(), "", content_.text());
  content_.text().clear();

  WriteCatalog(catalog, pages);
  file_.Object(pages, "<< /Type /Pages /Kids [" + Ref(page) + "] /Count 1 >>");
  WritePage(page, pages, width_pt, height_pt);
  WriteInfo(info, title);
  pdf_fonts_.Write();
  file_.Finish(catalog, info);
}

// The catalog, with the optional content groups (written here) listed in drawing order.
void Writer::WriteCatalog(int catalog, int pages) {
  std::string order;
  for (auto& [object, name] : groups_) {
    file_.Object(object, "<< /Type /OCG /Name " + PdfTextString(name) + " >>");
    order += Ref(object) + ' ';
  }
  std::string catalog_body = "<< /Type /Catalog /Pages " + Ref(pages);
  if (!groups_.empty()) {
    catalog_body += " /PageMode /UseOC /OCProperties << /OCGs [" + order + "] /D << /Order [" +
                    order + "] >> >>";
  }
  file_.Object(catalog, catalog_body + " >>");
}

void Writer::WriteInfo(int info, std::string_view title) {
  std::string info_body = "<< /Title " + PdfTextString(title) + " /Producer (Sheetwright)";
  if (std::string date = SourceDate(); !date.empty()) {
    info_body += " /CreationDate (" + date + ") /ModDate (" + date + ")";
  }
  file_.Object(info, info_body + " >>");
}

// The fonts, hatches and groups the content uses, with `more` entries before the end.
std::string Writer::ResourceDict(const std::string& more) const {
  std::string resources = "<< /ProcSet [/PDF /Text]";
  if (pdf_fonts_.size() > 0) {
    resources += " /Font <<";
    for (size_t i = 0; i < pdf_fonts_.size(); ++i) {
      resources += " /F" + std::to_string(i) + ' ' + Ref(pdf_fonts_.Object(static_cast<int>(i)));
    }
    resources += " >>";
  }
  if (!hatch_objects_.empty()) {
    resources += " /Pattern <<";
    for (size_t i = 0; i < hatch_objects_.size(); ++i) {
      resources += " /P" + std::to_string(i) + ' ' + Ref(hatch_objects_[i].first);
    }
    resources += " >>";
  }
  if (!groups_.empty()) {
    resources += " /Properties <<";
    for (size_t i = 0; i < groups_.size(); ++i) {
      resources += " /L" + std::to_string(i) + ' ' + Ref(groups_[i].first);
    }
    resources += " >>";
  }
  return resources + more;
}

void Writer::WritePage(int page, int pages, int width_pt, int height_pt) {
  std::string resources = ResourceDict("");
  std::string contents;
  for (int c : contents_) contents += Ref(c) + ' ';
  file_.Object(page, "<< /Type /Page /Parent " + Ref(pages) + " /MediaBox [0 0 " +
                         std::to_string(width_pt) + ' ' + std::to_string(height_pt) +
                         "] /Resources " + resources + " >> /Contents [" + contents + "] >>");
  WriteHatches();
}

// A hatch cell in the page's default space (points, y up): the same diagonals either way up; in
// a printed map's forms, a cell of the same size on paper.
void Writer::WriteHatches() {
  for (auto& [object, body] : hatch_objects_) {
    file_.Stream(object,
                 "/Type /Pattern /PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 " +
                     std::to_string(kHatchCell) + ' ' + std::to_string(kHatchCell) + "] /XStep " +
                     std::to_string(kHatchCell) + " /YStep " + std::to_string(kHatchCell) +
                     " /Matrix [" + std::to_string(hatch_matrix_) + " 0 0 " +
                     std::to_string(hatch_matrix_) + " 0 0] /Resources << >>",
                 body);
  }
}

void Writer::BeginPrint(double unit_pt) {
  print_ = true;
  // The 800-point page of a 20000-unit sheet gives 0.04 points per unit.
  print_scale_ = 800.0 / picture::kFrameWidth / unit_pt;
  hatch_matrix_ = kPenFloorPoints / unit_pt;
  resources_ = file_.Reserve();
  points_.assign(1, 1 / unit_pt);
}

// The sheet's drawing as a form in its own units (y down from its north-west corner).
int Writer::Form(const picture::Picture& sheet) {
  sheet_ = &sheet;
  sheet_group_ = -1;
  gs_ = {};
  content_ << "1 J 1 j\n";
  Play(sheet, *this);
  if (group_open_) CloseGroup();
  int form = file_.Reserve();
  file_.Stream(form,
               "/Type /XObject /Subtype /Form /BBox [0 0 " + std::to_string(sheet.width) + ' ' +
                   std::to_string(sheet.height) + "] /Resources " + Ref(resources_),
               content_.text());
  content_.text().clear();
  sheet_ = nullptr;
  return form;
}

void Writer::WriteResources(const std::vector<int>& forms) {
  std::string xobjects = " /XObject <<";
  for (size_t i = 0; i < forms.size(); ++i) {
    xobjects += " /X" + std::to_string(i) + ' ' + Ref(forms[i]);
  }
  file_.Object(resources_, ResourceDict(xobjects + " >> >>"));
  WriteHatches();
  pdf_fonts_.Write();
}

// Text of the page's furniture, in CP932 through the label fonts, in tenths of a millimetre
// (the content's space at the time), `height` tenths of a millimetre to the em.
void Writer::FurnitureText(double x, double baseline, int height, std::string_view utf8,
                           bool right) {
  picture::DcState dc;
  dc.font.face_name = "IPAPGothic";
  dc.font.height = -height;
  picture::LabelLayout layout = fonts_.Layout(dc.font, base::Utf8ToCp932(utf8));
  if (!layout.faces[0]) return;
  FillColor(0);
  Glyphs(layout, right ? x - layout.extent.width : x, baseline, dc);
}

void Writer::Polyline(std::span<const picture::Point> points, const picture::DcState& dc) {
  if (skip_line && skip_line(points)) return;
  if (dc.pen.style != picture::PenStyle::kNull) lines_.Add(points);
}

void Writer::Line(picture::Point from, picture::Point to, const picture::DcState& dc) {
  picture::Point line[] = {from, to};
  Polyline(line, dc);
}

// The content stream is cut between records.
void Writer::AfterRecord() {
  if (!print_ && content_.text().size() >= kContentBytes) Cut();
}

// Layers nest like SAVEDC / RESTOREDC: what a layer selects ends with it. Drawn over the whole
// frame of the picture that holds it; a map layer is a group of its own.
void Writer::EnterLayer(const LayerFrame& frame) {
  if (frame.depth == 1 && group_open_) CloseGroup();
  if (frame.depth == 1) OpenGroup(frame.layer);
  content_ << "q\n";
  if (frame.sx != 1 || frame.sy != 1) content_ << frame.sx << " 0 0 " << frame.sy << " 0 0 cm\n";
  saved_gs_.push_back(gs_);
  points_.push_back(points_.back() / std::sqrt(frame.sx * frame.sy));
}

void Writer::LeaveLayer(const LayerFrame& frame) {
  points_.pop_back();
  content_ << "Q\n";
  gs_ = saved_gs_.back();
  saved_gs_.pop_back();
  if (frame.depth == 1) CloseGroup();
}

void Writer::OpenGroup(const picture::Picture& picture) {
  int index;
  if (&picture == sheet_ && sheet_group_ >= 0) {
    index = sheet_group_;
  } else {
    std::string name = !picture.label.empty() ? picture.label
                       : !picture.id.empty()  ? picture.id
                                              : "layer " + std::to_string(groups_.size() + 1);
    auto known = print_ ? group_index_.find(name) : group_index_.end();
    if (known != group_index_.end()) {
      index = known->second;
    } else {
      groups_.emplace_back(file_.Reserve(), name);
      index = static_cast<int>(groups_.size()) - 1;
      if (print_) group_index_[name] = index;
    }
    if (&picture == sheet_) sheet_group_ = index;
  }
  content_ << "/OC /L" << index << " BDC\n";
  if (&picture == sheet_) group_open_ = true;
}

void Writer::CloseGroup() {
  content_ << "EMC\n";
  group_open_ = false;
}

// What the sheet draws itself goes into a group of its own, opened at its first figure.
void Writer::Drawing() {
  if (points_.size() == 1 && !group_open_) OpenGroup(*sheet_);
}

void Writer::StrokeColor(picture::ColorValue color) {
  int64_t rgb = RgbKey(color);
  if (gs_.stroke == rgb) return;
  gs_.stroke = rgb;
  content_ << picture::ResolveColor(color) << " RG\n";
}

void Writer::FillColor(picture::ColorValue color) {
  int64_t rgb = RgbKey(color);
  if (gs_.fill == rgb) return;
  gs_.fill = rgb;
  content_ << picture::ResolveColor(color) << " rg\n";
}

void Writer::Pen(const picture::DcState& dc) {
  StrokeColor(dc.pen.color);
  double width = !print_ ? VectorPenWidth(dc.pen.width, points_.back())
                         : std::max(std::max(dc.pen.width, 0) * print_scale_,
                                    kPenFloorPoints * points_.back());
  if (gs_.width == width) return;
  gs_.width = width;
  content_ << width << " w\n";
}

void Writer::Path(std::span<const picture::Point> points) {
  content_ << points[0].x << ' ' << points[0].y << " m";
  for (size_t i = 1; i < points.size(); ++i) {
    content_ << ' ' << points[i].x << ' ' << points[i].y << " l";
  }
  content_ << '\n';
}

// A run of lines under one pen: one path of chains, stroked once.
void Writer::EndOfLines(const picture::DcState& dc) {
  if (lines_.empty()) return;
  Drawing();
  Pen(dc);
  lines_.Chain([&](std::span<const picture::Point> chain) { Path(chain); });
  content_ << "S\n";
}

void Writer::Polygon(std::span<const picture::Point> points, const picture::DcState& dc) {
  bool pen = dc.pen.style != picture::PenStyle::kNull;
  bool brush = dc.brush.style != picture::BrushStyle::kNull;
  if (!pen && !brush) return;
  Drawing();
  if (dc.brush.style == picture::BrushStyle::kSolid) FillColor(dc.brush.color);
  if (dc.brush.style == picture::BrushStyle::kDiagCross) {
    int hatch = Hatch(dc);
    if (gs_.fill != -2 - hatch) content_ << "/Pattern cs /P" << hatch << " scn\n";
    gs_.fill = -2 - hatch;
  }
  if (pen) Pen(dc);
  Path(points);
  content_ << (pen && brush ? "b*\n" : pen ? "s\n" : "h f*\n");
}

// The pattern of the current hatch brush; the gaps show the background colour unless the
// background is transparent.
int Writer::Hatch(const picture::DcState& dc) {
  picture::Rgb fg = picture::ResolveColor(dc.brush.color);
  int64_t bg = dc.bk_mode == picture::BkMode::kOpaque ? RgbKey(dc.bk_color) : -1;
  auto [it, inserted] = hatches_.try_emplace(std::pair(RgbKey(dc.brush.color), bg), 0);
  if (!inserted) return it->second;
  it->second = static_cast<int>(hatch_objects_.size());
  Content cell;
  if (bg >= 0) {
    cell << picture::ResolveColor(dc.bk_color) << " rg 0 0 " << kHatchCell << ' ' << kHatchCell
         << " re f\n";
  }
  // Lines of both diagonal families that cross the cell run on past it, so cells meet whole.
  constexpr int s = kHatchCell;
  cell << fg << " RG 1 w 0 J\n";
  for (auto [x0, y0, x1, y1] : {std::tuple(-s, -s, 2 * s, 2 * s), std::tuple(-s, 0, s, 2 * s),
                                std::tuple(0, -s, 2 * s, s), std::tuple(-s, s, s, -s),
                                std::tuple(-s, 2 * s, 2 * s, -s), std::tuple(0, 2 * s, 2 * s, 0)}) {
    cell << x0 << ' ' << y0 << " m " << x1 << ' ' << y1 << " l\n";
  }
  cell << "S\n";
  hatch_objects_.emplace_back(file_.Reserve(), std::move(cell.text()));
  return it->second;
}

// A label: the background box when opaque, the glyphs where the measured advances put them,
// then underline and strike-out as boxes of the face's line thickness.
void Writer::Text(picture::Point at, std::string_view bytes, const picture::DcState& dc) {
  if (bytes.empty() || (skip_label && skip_label(at, bytes))) return;
  picture::LabelLayout layout = fonts_.Layout(dc.font, bytes);
  if (!layout.faces[0] || layout.extent.height <= 0) return;
  Drawing();
  GraphicsState outside = gs_;
  if (print_) {
    // The label keeps its printed size: scaled about its anchor.
    double k = print_scale_;
    content_ << "q " << k << " 0 0 " << k << ' ' << at.x * (1 - k) << ' ' << at.y * (1 - k)
             << " cm\n";
  }
  double x = at.x, baseline = at.y + layout.ascent;
  if (dc.bk_mode == picture::BkMode::kOpaque && layout.extent.width > 0) {
    FillColor(dc.bk_color);
    content_ << at.x << ' ' << at.y << ' ' << layout.extent.width << ' ' << layout.extent.height
             << " re f\n";
  }
  FillColor(dc.text_color);
  Glyphs(layout, x, baseline, dc);
  double thickness = layout.line_thickness;
  if (dc.font.style & picture::kUnderline) {
    content_ << x << ' ' << baseline + layout.underline_position - thickness / 2 << ' '
             << layout.extent.width << ' ' << thickness << " re f\n";
  }
  if (dc.font.style & picture::kStrikeOut) {
    content_ << x << ' ' << baseline - layout.strike_position - thickness / 2 << ' '
             << layout.extent.width << ' ' << thickness << " re f\n";
  }
  if (print_) {
    content_ << "Q\n";
    gs_ = outside;
  }
}

// Each run of glyphs of one face is one TJ at its own origin; the adjustments between glyphs
// take each to its measured position.
void Writer::Glyphs(const picture::LabelLayout& layout, double x, double baseline,
                    const picture::DcState& dc) {
  if (layout.glyphs.empty() || layout.ppem <= 0) return;
  bool bold = false;
  content_ << "BT\n";
  double cursor = x;
  for (size_t i = 0; i < layout.glyphs.size();) {
    const picture::LabelFace& face = *layout.faces[layout.glyphs[i].face];
    size_t end = i;
    while (end < layout.glyphs.size() && layout.glyphs[end].face == layout.glyphs[i].face) ++end;
    int font = pdf_fonts_.Font(face);
    if (font < 0) {  // a face whose file cannot be read: its room stays empty
      for (; i < end; ++i) cursor += layout.glyphs[i].advance;
      continue;
    }
    if (face.embolden != bold) {
      bold = face.embolden;
      if (bold) StrokeColor(dc.text_color);
      content_ << (bold ? "2 Tr " : "0 Tr ");
      if (bold) content_ << layout.ppem * kBoldStroke << " w ";
    }
    // Text space: an em high, y up on the page whose drawing space runs down; slanted when the
    // face has no italic of its own.
    content_ << "/F" << font << " 1 Tf " << layout.ppem << " 0 "
             << (face.oblique ? kSlant * layout.ppem : 0.0) << ' ' << -layout.ppem << ' ' << cursor
             << ' ' << baseline << " Tm\n[";
    double drawn = 0, wanted = 0;  // thousandths of an em from the run's origin
    for (; i < end; ++i) {
      const picture::LabelGlyph& g = layout.glyphs[i];
      PdfFonts::Code code = pdf_fonts_.Char(font, g.code, g.glyph);
      static constexpr char kDigits[] = "0123456789ABCDEF";
      char hex[] = {'<',
                    kDigits[code.cid >> 12],
                    kDigits[(code.cid >> 8) & 15],
                    kDigits[(code.cid >> 4) & 15],
                    kDigits[code.cid & 15],
                    '>'};
      content_ << std::string_view(hex, 6);
      wanted += g.advance * 1000.0 / layout.ppem;
      cursor += g.advance;
      drawn += code.width;
      auto adjust = static_cast<int64_t>(std::lround(drawn - wanted));
      if (adjust != 0 && i + 1 < end) content_ << adjust;
      drawn -= static_cast<double>(adjust);
    }
    content_ << "] TJ\n";
  }
  content_ << "ET\n";
  if (bold) {
    content_ << "0 Tr\n";
    gs_.width = -1;
  }
}

// Hands the content so far on as one stream object of the page's contents.
void Writer::Cut() {
  contents_.push_back(file_.Reserve());
  file_.Stream(contents_.back(), "", content_.text());
  content_.text().clear();
}

}  // namespace

void WritePdf(const picture::Picture& sheet, int width_pt, int height_pt, std::string_view title,
              picture::FontLibrary& fonts, const std::function<void(std::string_view)>& write) {
  if (width_pt <= 0 || height_pt <= 0) throw base::ConversionError("invalid image size");
  PdfFile file(write);
  Writer(file, fonts).Document(sheet, width_pt, height_pt, title);
}

std::string EncodePdf(const picture::Picture& sheet, int width_pt, int height_pt,
                      std::string_view title, picture::FontLibrary& fonts) {
  std::string pdf;
  WritePdf(sheet, width_pt, height_pt, title, fonts, [&](std::string_view chunk) { pdf += chunk; });
  return pdf;
}

}  // namespace sheetwright::output

namespace sheetwright::output {
namespace {

constexpr double kPointsPerMm = 72 / 25.4;
// Near enough a sheet's edge for a label to be repeated beyond it, and near enough each other
// for two labels of one text on either side to name one area.
constexpr double kEdgeLabelMetres = 400;

bool Overlap(const GroundBox& a, const GroundBox& b) {
  return a.west < b.east && b.west < a.east && a.south < b.north && b.south < a.north;
}

// The scale bar's length in metres: the longest round length of at most 80 mm on paper.
int ScaleBarMetres(double mm_per_metre) {
  int best = 10;
  for (int metres : {10, 20, 50, 100, 200, 500, 1000, 2000}) {
    if (metres * mm_per_metre <= 80) best = metres;
  }
  return best;
}

std::string RomanZone(int zone) {
  static constexpr const char* kRoman[] = {"",    "I",    "II",  "III",  "IV",    "V",   "VI",
                                           "VII", "VIII", "IX",  "X",    "XI",    "XII", "XIII",
                                           "XIV", "XV",   "XVI", "XVII", "XVIII", "XIX"};
  return zone >= 1 && zone <= 19 ? kRoman[zone] : "";
}

}  // namespace

std::string PrintPlaceText(std::string_view datum, int zone, int epsg) {
  if (zone == 0) return "sheet-local metres (no datum, no zone)";
  return std::string(datum) + " datum, plane rectangular zone " + RomanZone(zone) +
         " (EPSG:" + std::to_string(epsg) + ")";
}

struct PrintedPdf::State {
  State(const PrintLayout& l, PrintInfo i, picture::FontLibrary& fonts,
        std::function<void(std::string_view)> w)
      : layout(l), info(std::move(i)), write(std::move(w)), file(write), writer(file, fonts) {}

  double PtPerMetre() const { return layout.MmPerMetre() * kPointsPerMm; }
  double PageHeight() const { return layout.paper_height * kPointsPerMm; }
  std::string Page(const PrintPage& page);
  void Map(const PrintPage& page);
  void Furniture(const PrintPage& page);
  void ScaleBar(double x, double y);
  void NorthArrow(double x, double y);
  void Index(const PrintPage& page, double x, double y, double width, double height);
  std::array<bool, 4> SharedEdges(const GroundBox& sheet) const;
  bool RepeatedLabel(picture::Point at, std::string_view bytes, const GroundBox& sheet);

  PrintLayout layout;
  PrintInfo info;
  std::function<void(std::string_view)> write;
  PdfFile file;
  Writer writer;
  std::vector<int> forms;
  std::vector<GroundBox> grounds;
  bool begun = false;
  // Labels near a sheet's edge, by their bytes: where they stand and which sheet drew them.
  struct EdgeLabel {
    double east, north;
    size_t sheet;
  };
  std::unordered_multimap<std::string, EdgeLabel> edge_labels;  // by LabelCell
};

// The edges of `sheet` that a sheet drawn before shares: west, east, north, south.
std::array<bool, 4> PrintedPdf::State::SharedEdges(const GroundBox& sheet) const {
  std::array<bool, 4> shared{};
  for (const GroundBox& g : grounds) {
    bool beside_ns = g.south < sheet.north && sheet.south < g.north;
    bool beside_ew = g.west < sheet.east && sheet.west < g.east;
    shared[0] |= beside_ns && g.east == sheet.west;
    shared[1] |= beside_ns && g.west == sheet.east;
    shared[2] |= beside_ew && g.south == sheet.north;
    shared[3] |= beside_ew && g.north == sheet.south;
  }
  return shared;
}

namespace {

// A line wholly on one of the shared edges.
bool OnSharedEdge(std::span<const picture::Point> points, const std::array<bool, 4>& shared) {
  auto all = [&](auto on) { return std::all_of(points.begin(), points.end(), on); };
  return (shared[0] && all([](auto p) { return p.x == 0; })) ||
         (shared[1] && all([](auto p) { return p.x == picture::kFrameWidth; })) ||
         (shared[2] && all([](auto p) { return p.y == 0; })) ||
         (shared[3] && all([](auto p) { return p.y == picture::kFrameHeight; }));
}

// The cell of the label grid, a reach wide, that holds a place; keyed with the label's bytes.
std::string LabelCell(std::string_view bytes, double east, double north) {
  auto cell = [](double metres) { return std::to_string(std::llround(metres / kEdgeLabelMetres)); };
  return std::string(bytes) + '\0' + cell(east) + ',' + cell(north);
}

}  // namespace

// A label near the sheet's edge that another sheet drew near its own, a short way off. Labels
// are kept in a grid of cells a reach wide, so a town of many sheets costs no more per label than
// one sheet.
bool PrintedPdf::State::RepeatedLabel(picture::Point at, std::string_view bytes,
                                      const GroundBox& sheet) {
  double east = sheet.west + at.x * sheet.Width() / picture::kFrameWidth;
  double north = sheet.north - at.y * sheet.Height() / picture::kFrameHeight;
  double reach = kEdgeLabelMetres;
  if (east - sheet.west > reach && sheet.east - east > reach && north - sheet.south > reach &&
      sheet.north - north > reach) {
    return false;
  }
  size_t current = grounds.size();
  for (double de : {-reach, 0.0, reach}) {
    for (double dn : {-reach, 0.0, reach}) {
      auto [first, last] = edge_labels.equal_range(LabelCell(bytes, east + de, north + dn));
      for (auto it = first; it != last; ++it) {
        const EdgeLabel& other = it->second;
        if (other.sheet != current && std::hypot(other.east - east, other.north - north) <= reach) {
          return true;
        }
      }
    }
  }
  edge_labels.emplace(LabelCell(bytes, east, north), EdgeLabel{east, north, current});
  return false;
}

// The sheets that meet the page, clipped to its window, then the map's frame.
void PrintedPdf::State::Map(const PrintPage& page) {
  Content& c = writer.content();
  double ppm = PtPerMetre();
  double wx = layout.window.x * kPointsPerMm;
  double wy = PageHeight() - (layout.window.y + layout.window.height) * kPointsPerMm;
  c << "q " << wx << ' ' << wy << ' ' << layout.window.width * kPointsPerMm << ' '
    << layout.window.height * kPointsPerMm << " re W n\n";
  for (size_t i = 0; i < forms.size(); ++i) {
    const GroundBox& g = grounds[i];
    if (!Overlap(g, page.ground)) continue;
    double unit = ppm * g.Width() / picture::kFrameWidth;
    c << "q " << unit << " 0 0 " << -unit << ' ' << wx + (g.west - page.ground.west) * ppm << ' '
      << wy + (g.north - page.ground.south) * ppm << " cm /X" << static_cast<int>(i) << " Do Q\n";
  }
  const GroundBox& m = info.map;
  c << "0 G 0.85 w " << wx + (m.west - page.ground.west) * ppm << ' '
    << wy + (m.south - page.ground.south) * ppm << ' ' << m.Width() * ppm << ' ' << m.Height() * ppm
    << " re S Q\n";
}

// A bar of four fields, black and white by turns, its length and the scale written beside it;
// in tenths of a millimetre from the top-left of the paper.
void PrintedPdf::State::ScaleBar(double x, double y) {
  Content& c = writer.content();
  int metres = ScaleBarMetres(layout.MmPerMetre());
  double length = metres * layout.MmPerMetre() * 10, field = length / 4;
  c << "0 G 0 g 2 w\n";
  for (int k = 0; k < 4; ++k) {
    c << x + k * field << ' ' << y << ' ' << field << " 25 re " << (k % 2 == 0 ? "b\n" : "S\n");
  }
  writer.FurnitureText(x - 10, y + 65, 30, "0", false);
  writer.FurnitureText(x + length, y + 65, 30, std::to_string(metres) + " m", true);
  writer.FurnitureText(x, y + 130, 40, "1:" + std::to_string(layout.scale), false);
}

void PrintedPdf::State::NorthArrow(double x, double y) {
  Content& c = writer.content();
  c << "0 g " << x << ' ' << y + 60 << " m " << x + 45 << ' ' << y + 220 << " l " << x << ' '
    << y + 180 << " l " << x - 45 << ' ' << y + 220 << " l h f\n";
  writer.FurnitureText(x - 15, y + 45, 40, "N", false);
}

// The whole map small, every sheet's outline, the part this page shows shaded.
void PrintedPdf::State::Index(const PrintPage& page, double x, double y, double width,
                              double height) {
  Content& c = writer.content();
  const GroundBox& m = info.map;
  double k = std::min(width / m.Width(), height / m.Height());
  auto px = [&](double east) { return x + (east - m.west) * k; };
  auto py = [&](double north) { return y + (m.north - north) * k; };
  GroundBox shown{std::max(m.west, page.ground.west), std::max(m.south, page.ground.south),
                  std::min(m.east, page.ground.east), std::min(m.north, page.ground.north)};
  c << "0.8 g " << px(shown.west) << ' ' << py(shown.north) << ' ' << shown.Width() * k << ' '
    << shown.Height() * k << " re f 0 G 1 w\n";
  for (const GroundBox& s : info.sheets) {
    c << px(s.west) << ' ' << py(s.north) << ' ' << s.Width() * k << ' ' << s.Height() * k
      << " re S\n";
  }
}

// Title, page's place, window border, scale bar, north arrow, datum and index: tenths of a
// millimetre, y down.
void PrintedPdf::State::Furniture(const PrintPage& page) {
  Content& c = writer.content();
  c << "q " << kPointsPerMm / 10 << " 0 0 " << -kPointsPerMm / 10 << " 0 " << PageHeight()
    << " cm\n";
  writer.ForgetState();
  const PaperBox& w = layout.window;
  double margin = kPrintMargin * 10, right = layout.paper_width * 10 - margin;
  c << "0 G 3 w " << w.x * 10 << ' ' << w.y * 10 << ' ' << w.width * 10 << ' ' << w.height * 10
    << " re S\n";
  writer.FurnitureText(margin, margin + 110, 70, info.title, false);
  std::string where = "1:" + std::to_string(layout.scale);
  if (layout.pages.size() > 1) {
    where += "   page " + std::to_string(page.row * layout.columns + page.column + 1) + " of " +
             std::to_string(layout.pages.size()) + " (row " + std::to_string(page.row + 1) +
             ", column " + std::to_string(page.column + 1) + ")";
  }
  writer.FurnitureText(right, margin + 110, 40, where, true);
  double foot = (w.y + w.height) * 10 + 50;
  ScaleBar(margin, foot);
  NorthArrow(margin + 1050, foot);
  writer.FurnitureText(margin + 1250, foot + 40, 35, info.place, false);
  writer.FurnitureText(margin + 1250, foot + 100, 35,
                       std::to_string(info.sheets.size()) + " sheet(s), 2 km x 1.5 km each", false);
  Index(page, right - 500, foot, 500, 200);
  c << "Q\n";
  writer.ForgetState();
}

std::string PrintedPdf::State::Page(const PrintPage& page) {
  Map(page);
  Furniture(page);
  return writer.TakeContent();
}

PrintedPdf::PrintedPdf(const PrintLayout& layout, PrintInfo info, picture::FontLibrary& fonts,
                       std::function<void(std::string_view)> write)
    : state_(std::make_unique<State>(layout, std::move(info), fonts, std::move(write))) {}

PrintedPdf::~PrintedPdf() = default;

void PrintedPdf::AddSheet(const picture::Picture& sheet, const GroundBox& ground) {
  if (!state_->begun) {
    state_->writer.BeginPrint(state_->PtPerMetre() * ground.Width() / picture::kFrameWidth);
    state_->begun = true;
  }
  State& s = *state_;
  std::array<bool, 4> shared = s.SharedEdges(ground);
  s.writer.skip_line = [&](std::span<const picture::Point> points) {
    return OnSharedEdge(points, shared);
  };
  s.writer.skip_label = [&](picture::Point at, std::string_view bytes) {
    return s.RepeatedLabel(at, bytes, ground);
  };
  s.forms.push_back(s.writer.Form(sheet));
  s.grounds.push_back(ground);
  s.writer.skip_line = nullptr;
  s.writer.skip_label = nullptr;
}

void PrintedPdf::Finish() {
  State& s = *state_;
  if (!s.begun) s.writer.BeginPrint(s.PtPerMetre() / 10);
  PdfFile& file = s.file;
  int catalog = file.Reserve(), pages = file.Reserve(), info = file.Reserve();
  std::string kids;
  std::string media = "[0 0 " + std::to_string(s.layout.paper_width * kPointsPerMm) + ' ' +
                      std::to_string(s.PageHeight()) + ']';
  for (const PrintPage& page : s.layout.pages) {
    int object = file.Reserve(), contents = file.Reserve();
    file.Stream(contents, "", s.Page(page));
    file.Object(object, "<< /Type /Page /Parent " + Ref(pages) + " /MediaBox " + media +
                            " /Resources " + Ref(s.writer.Resources()) + " /Contents " +
                            Ref(contents) + " >>");
    kids += Ref(object) + ' ';
  }
  s.writer.WriteCatalog(catalog, pages);
  file.Object(pages, "<< /Type /Pages /Kids [" + kids + "] /Count " +
                         std::to_string(s.layout.pages.size()) + " >>");
  s.writer.WriteInfo(info, s.info.title);
  s.writer.WriteResources(s.forms);
  file.Finish(catalog, info);
}

}  // namespace sheetwright::output
