#include "output/pdf/pdf_writer.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "base/encoding.h"
#include "base/messages.h"
#include "output/pdf/pdf_page_writer.h"
#include "picture/font_library.h"

namespace sheetwright::output {
namespace pdf {
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

}  // namespace

void PageWriter::Document(const picture::Picture& sheet, int width_pt, int height_pt,
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
void PageWriter::WriteCatalog(int catalog, int pages) {
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

void PageWriter::WriteInfo(int info, std::string_view title) {
  std::string info_body = "<< /Title " + PdfTextString(title) + " /Producer (Sheetwright)";
  if (std::string date = SourceDate(); !date.empty()) {
    info_body += " /CreationDate (" + date + ") /ModDate (" + date + ")";
  }
  file_.Object(info, info_body + " >>");
}

// The fonts, hatches and groups the content uses, with `more` entries before the end.
std::string PageWriter::ResourceDict(const std::string& more) const {
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

void PageWriter::WritePage(int page, int pages, int width_pt, int height_pt) {
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
void PageWriter::WriteHatches() {
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

void PageWriter::BeginPrint(double unit_pt) {
  print_ = true;
  // The 800-point page of a 20000-unit sheet gives 0.04 points per unit.
  print_scale_ = 800.0 / picture::kFrameWidth / unit_pt;
  hatch_matrix_ = kPenFloorPoints / unit_pt;
  resources_ = file_.Reserve();
  points_.assign(1, 1 / unit_pt);
}

// The sheet's drawing as a form in its own units (y down from its north-west corner).
int PageWriter::Form(const picture::Picture& sheet, int32_t bleed) {
  sheet_ = &sheet;
  sheet_group_ = -1;
  gs_ = {};
  content_ << "1 J 1 j\n";
  Play(sheet, *this);
  if (group_open_) CloseGroup();
  int form = file_.Reserve();
  file_.Stream(form,
               "/Type /XObject /Subtype /Form /BBox [" + std::to_string(-bleed) + ' ' +
                   std::to_string(-bleed) + ' ' + std::to_string(sheet.width + bleed) + ' ' +
                   std::to_string(sheet.height + bleed) + "] /Resources " + Ref(resources_),
               content_.text());
  content_.text().clear();
  sheet_ = nullptr;
  return form;
}

void PageWriter::WriteResources(const std::vector<int>& forms) {
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
void PageWriter::FurnitureText(double x, double baseline, int height, std::string_view utf8,
                               bool right) {
  picture::DcState dc;
  dc.font.face_name = "IPAPGothic";
  dc.font.height = -height;
  picture::LabelLayout layout = fonts_.Layout(dc.font, base::Utf8ToCp932(utf8));
  if (!layout.faces[0]) return;
  FillColor(0);
  Glyphs(layout, right ? x - layout.extent.width : x, baseline, dc);
}

void PageWriter::Polyline(std::span<const picture::Point> points, const picture::DcState& dc) {
  if (dc.pen.style != picture::PenStyle::kNull) lines_.Add(points);
}

void PageWriter::Line(picture::Point from, picture::Point to, const picture::DcState& dc) {
  picture::Point line[] = {from, to};
  Polyline(line, dc);
}

// The content stream is cut between records.
void PageWriter::AfterRecord() {
  if (!print_ && content_.text().size() >= kContentBytes) Cut();
}

// Layers nest like SAVEDC / RESTOREDC: what a layer selects ends with it. Drawn over the whole
// frame of the picture that holds it; a map layer is a group of its own.
void PageWriter::EnterLayer(const LayerFrame& frame) {
  if (frame.depth == 1 && group_open_) CloseGroup();
  if (frame.depth == 1) OpenGroup(frame.layer);
  content_ << "q\n";
  if (frame.sx != 1 || frame.sy != 1) content_ << frame.sx << " 0 0 " << frame.sy << " 0 0 cm\n";
  saved_gs_.push_back(gs_);
  points_.push_back(points_.back() / std::sqrt(frame.sx * frame.sy));
}

void PageWriter::LeaveLayer(const LayerFrame& frame) {
  points_.pop_back();
  content_ << "Q\n";
  gs_ = saved_gs_.back();
  saved_gs_.pop_back();
  if (frame.depth == 1) CloseGroup();
}

void PageWriter::OpenGroup(const picture::Picture& picture) {
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

void PageWriter::CloseGroup() {
  content_ << "EMC\n";
  group_open_ = false;
}

// What the sheet draws itself goes into a group of its own, opened at its first figure.
void PageWriter::Drawing() {
  if (points_.size() == 1 && !group_open_) OpenGroup(*sheet_);
}

void PageWriter::StrokeColor(picture::ColorValue color) {
  int64_t rgb = RgbKey(color);
  if (gs_.stroke == rgb) return;
  gs_.stroke = rgb;
  content_ << picture::ResolveColor(color) << " RG\n";
}

void PageWriter::FillColor(picture::ColorValue color) {
  int64_t rgb = RgbKey(color);
  if (gs_.fill == rgb) return;
  gs_.fill = rgb;
  content_ << picture::ResolveColor(color) << " rg\n";
}

void PageWriter::Pen(const picture::DcState& dc) {
  StrokeColor(dc.pen.color);
  double width = !print_ ? VectorPenWidth(dc.pen.width, points_.back())
                         : std::max(std::max(dc.pen.width, 0) * print_scale_,
                                    kPenFloorPoints * points_.back());
  if (gs_.width == width) return;
  gs_.width = width;
  content_ << width << " w\n";
}

void PageWriter::Path(std::span<const picture::Point> points) {
  content_ << points[0].x << ' ' << points[0].y << " m";
  for (size_t i = 1; i < points.size(); ++i) {
    content_ << ' ' << points[i].x << ' ' << points[i].y << " l";
  }
  content_ << '\n';
}

// A run of lines under one pen: one path of chains, stroked once.
void PageWriter::EndOfLines(const picture::DcState& dc) {
  if (lines_.empty()) return;
  Drawing();
  Pen(dc);
  lines_.Chain([&](std::span<const picture::Point> chain) { Path(chain); });
  content_ << "S\n";
}

void PageWriter::Polygon(std::span<const picture::Point> points, const picture::DcState& dc) {
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
int PageWriter::Hatch(const picture::DcState& dc) {
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
void PageWriter::Text(picture::Point at, std::string_view bytes, const picture::DcState& dc) {
  if (bytes.empty()) return;
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
void PageWriter::Glyphs(const picture::LabelLayout& layout, double x, double baseline,
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
void PageWriter::Cut() {
  contents_.push_back(file_.Reserve());
  file_.Stream(contents_.back(), "", content_.text());
  content_.text().clear();
}

}  // namespace pdf

void WritePdf(const picture::Picture& sheet, int width_pt, int height_pt, std::string_view title,
              picture::FontLibrary& fonts, const std::function<void(std::string_view)>& write) {
  if (width_pt <= 0 || height_pt <= 0) throw base::ConversionError("invalid image size");
  PdfFile file(write);
  pdf::PageWriter(file, fonts).Document(sheet, width_pt, height_pt, title);
}

std::string EncodePdf(const picture::Picture& sheet, int width_pt, int height_pt,
                      std::string_view title, picture::FontLibrary& fonts) {
  std::string pdf;
  WritePdf(sheet, width_pt, height_pt, title, fonts, [&](std::string_view chunk) { pdf += chunk; });
  return pdf;
}

}  // namespace sheetwright::output
