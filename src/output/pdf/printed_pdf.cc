#include "output/pdf/printed_pdf.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>

#include "output/pdf/pdf_page_writer.h"

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
  void ScaleBar(double x, double y);
  void NorthArrow(double x, double y);
  void Index(const PrintPage& page, double x, double y, double width, double height);
  std::array<bool, 4> SharedEdges(const GroundBox& sheet) const;
  bool RepeatedLabel(picture::Point at, std::string_view bytes, const GroundBox& sheet);

  PrintLayout layout;
  PrintInfo info;
  std::function<void(std::string_view)> write;
  PdfFile file;
  pdf::PageWriter writer;
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
  pdf::Content& c = writer.content();
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
  pdf::Content& c = writer.content();
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
  pdf::Content& c = writer.content();
  c << "0 g " << x << ' ' << y + 60 << " m " << x + 45 << ' ' << y + 220 << " l " << x << ' '
    << y + 180 << " l " << x - 45 << ' ' << y + 220 << " l h f\n";
  writer.FurnitureText(x - 15, y + 45, 40, "N", false);
}

// The whole map small, every sheet's outline, the part this page shows shaded.
void PrintedPdf::State::Index(const PrintPage& page, double x, double y, double width,
                              double height) {
  pdf::Content& c = writer.content();
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
  pdf::Content& c = writer.content();
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
    file.Object(object, "<< /Type /Page /Parent " + pdf::Ref(pages) + " /MediaBox " + media +
                            " /Resources " + pdf::Ref(s.writer.Resources()) + " /Contents " +
                            pdf::Ref(contents) + " >>");
    kids += pdf::Ref(object) + ' ';
  }
  s.writer.WriteCatalog(catalog, pages);
  file.Object(pages, "<< /Type /Pages /Kids [" + kids + "] /Count " +
                         std::to_string(s.layout.pages.size()) + " >>");
  s.writer.WriteInfo(info, s.info.title);
  s.writer.WriteResources(s.forms);
  file.Finish(catalog, info);
}

}  // namespace sheetwright::output
