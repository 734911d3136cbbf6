#include "output/pdf/printed_pdf.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "output/geometry/sheet_layers.h"
#include "output/pdf/pdf_page_writer.h"

namespace sheetwright::output {
namespace {

constexpr double kPointsPerMm = 72 / 25.4;

bool Overlap(const GroundBox& a, const GroundBox& b) {
  return a.west < b.east && b.west < a.east && a.south < b.north && b.south < a.north;
}

}  // namespace

struct PrintedPdf::State {
  State(const PrintLayout& l, PrintInfo i, picture::FontLibrary& fonts,
        std::function<void(std::string_view)> w)
      : layout(l), info(std::move(i)), write(std::move(w)), file(write), writer(file, fonts) {}

  double PtPerMetre() const { return layout.MmPerMetre() * kPointsPerMm; }
  double PageHeight() const { return layout.paper_height * kPointsPerMm; }
  std::string Page(const PrintPage& page);
  void Map(const PrintPage& page);
  void Furniture(const PrintPage& page);

  PrintLayout layout;
  PrintInfo info;
  std::function<void(std::string_view)> write;
  PdfFile file;
  pdf::PageWriter writer;
  // A form per layer of each sheet: its object, the sheet, and the layer's place in the order
  // the pages draw them (by the layer's names, as the sheets first give them).
  struct Form {
    int object;
    size_t sheet, layer;
  };
  std::vector<Form> forms;
  std::map<std::string, size_t> layer_order;
  std::vector<GroundBox> grounds;
  bool begun = false;
};

// The sheets that meet the page, clipped to its window, then the map's frame.
void PrintedPdf::State::Map(const PrintPage& page) {
  pdf::Content& c = writer.content();
  double ppm = PtPerMetre();
  double wx = layout.window.x * kPointsPerMm;
  double wy = PageHeight() - (layout.window.y + layout.window.height) * kPointsPerMm;
  c << "q " << wx << ' ' << wy << ' ' << layout.window.width * kPointsPerMm << ' '
    << layout.window.height * kPointsPerMm << " re W n\n";
  std::vector<size_t> order(forms.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return forms[a].layer < forms[b].layer; });
  for (size_t i : order) {
    const GroundBox& g = grounds[forms[i].sheet];
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

// The page's furniture (print_layout.h) in tenths of a millimetre, y down.
void PrintedPdf::State::Furniture(const PrintPage& page) {
  pdf::Content& c = writer.content();
  c << "q " << kPointsPerMm / 10 << " 0 0 " << -kPointsPerMm / 10 << " 0 " << PageHeight()
    << " cm 0 G\n";
  writer.ForgetState();
  PageFurniture furniture = FurnitureOf(layout, info, page);
  for (const FurnitureShape& shape : furniture.shapes) {
    if (shape.fill_grey >= 0) c << shape.fill_grey << " g ";
    if (shape.stroke > 0) c << shape.stroke << " w ";
    for (size_t i = 0; i < shape.corners.size(); ++i) {
      c << shape.corners[i][0] << ' ' << shape.corners[i][1] << (i == 0 ? " m " : " l ");
    }
    c << (shape.fill_grey < 0 ? "s\n" : shape.stroke > 0 ? "b\n" : "f\n");
  }
  for (const FurnitureText& text : furniture.texts) {
    writer.FurnitureText(text.x, text.baseline, text.height, text.text, text.right);
  }
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

void PrintedPdf::AddSheet(const picture::Picture& sheet, const GroundBox& ground, int32_t bleed) {
  if (!state_->begun) {
    state_->writer.BeginPrint(state_->PtPerMetre() * ground.Width() / picture::kFrameWidth);
    state_->begun = true;
  }
  State& s = *state_;
  for (const SheetLayer& piece : SheetLayers(sheet)) {
    auto known = s.layer_order.try_emplace(piece.key, s.layer_order.size()).first;
    s.forms.push_back({s.writer.Form(piece.picture, bleed), s.grounds.size(), known->second});
  }
  s.grounds.push_back(ground);
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
    file.Object(object, "<< /Type /Page /Parent " + pdf::Ref(pages) + " /MediaBox " + media +
                            " /Resources " + pdf::Ref(s.writer.Resources()) + " /Contents " +
                            pdf::Ref(contents) + " >>");
    kids += pdf::Ref(object) + ' ';
  }
  s.writer.WriteCatalog(catalog, pages);
  file.Object(pages, "<< /Type /Pages /Kids [" + kids + "] /Count " +
                         std::to_string(s.layout.pages.size()) + " >>");
  s.writer.WriteInfo(info, s.info.title);
  std::vector<int> objects;
  for (const State::Form& form : s.forms) objects.push_back(form.object);
  s.writer.WriteResources(objects);
  file.Finish(catalog, info);
}

}  // namespace sheetwright::output
