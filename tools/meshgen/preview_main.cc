// meshgen-preview: draws a mesh folder into a PNG for a look by eye, without the converter.
//   meshgen-preview MESH_FOLDER OUTPUT.png [WIDTH [EAST0 NORTH0 EAST1 NORTH1]]
// Polygons are filled by theme (even-odd, rings joined in reference order), arcs of line type 5
// are left out of the outlines, stations are dots. A developer's aid only.
#include <cairo.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Arc {
  std::string code;
  int line_type = 0;
  std::vector<std::pair<double, double>> points;  // (easting, northing)
};

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream stream(line);
  std::string field;
  while (std::getline(stream, field, ',')) fields.push_back(field);
  return fields;
}

std::map<int, Arc> ReadArcs(const std::string& path) {
  std::map<int, Arc> arcs;
  std::vector<std::string> lines = Lines(path);
  for (size_t k = 1; k < lines.size(); ++k) {
    if (lines[k].empty() || lines[k][0] != 'L') continue;
    std::vector<std::string> f = Fields(lines[k]);
    Arc arc{f[0], std::atoi(f[1].c_str()), {}};
    int count = std::atoi(f[3].c_str());
    for (int c = 1; c <= count && k + c < lines.size(); ++c) {
      std::vector<std::string> p = Fields(lines[k + c]);
      arc.points.push_back({std::atof(p[1].c_str()), std::atof(p[0].c_str())});
    }
    arcs[std::atoi(f[2].c_str())] = arc;
  }
  return arcs;
}

struct View {
  cairo_t* cr;
  double scale;
  double east0 = 0;
  double north1 = 1500;
  void To(double e, double n, bool move) {
    double x = (e - east0) * scale, y = (north1 - n) * scale;
    move ? cairo_move_to(cr, x, y) : cairo_line_to(cr, x, y);
  }
};

void Polygons(View& view, const std::string& pgn, const std::map<int, Arc>& arcs,
              const std::string& code, double r, double g, double b, bool outline) {
  std::vector<std::string> lines = Lines(pgn);
  for (size_t k = 1; k < lines.size(); ++k) {
    if (lines[k].rfind(code, 0) != 0 || lines[k][0] != 'A') continue;
    int refs = std::atoi(Fields(lines[k])[2].c_str());
    bool first = true;
    cairo_new_path(view.cr);
    for (int c = 1; c <= refs; ++c) {
      int ref = std::atoi(lines[k + c].c_str());
      auto found = arcs.find(std::abs(ref));
      if (found == arcs.end()) continue;
      auto points = found->second.points;
      if (ref < 0) std::reverse(points.begin(), points.end());
      if (outline) {
        if (found->second.line_type == 5) continue;
        first = true;
      }
      for (auto [e, n] : points) {
        view.To(e, n, first);
        first = false;
      }
    }
    cairo_set_source_rgb(view.cr, r, g, b);
    if (outline) {
      cairo_stroke(view.cr);
    } else {
      cairo_set_fill_rule(view.cr, CAIRO_FILL_RULE_EVEN_ODD);
      cairo_fill(view.cr);
    }
  }
}

void Arcs(View& view, const std::map<int, Arc>& arcs, const std::string& code, double r, double g,
          double b, double width) {
  cairo_set_line_width(view.cr, width);
  cairo_set_source_rgb(view.cr, r, g, b);
  for (const auto& [id, arc] : arcs) {
    if (arc.code.rfind(code, 0) != 0 || arc.line_type == 5) continue;
    bool first = true;
    for (auto [e, n] : arc.points) {
      view.To(e, n, first);
      first = false;
    }
    cairo_stroke(view.cr);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: meshgen-preview MESH_FOLDER OUTPUT.png [WIDTH]\n", stderr);
    return 2;
  }
  std::string m = std::string(argv[1]) + "/";
  int width = argc > 3 ? std::atoi(argv[3]) : 1600;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, width * 3 / 4);
  View view{cairo_create(surface), width / 2000.0};
  if (argc > 7) {
    view.east0 = std::atof(argv[4]);
    view.north1 = std::atof(argv[7]);
    view.scale = width / (std::atof(argv[6]) - view.east0);
  }
  cairo_set_source_rgb(view.cr, 1, 1, 1);
  cairo_paint(view.cr);
  cairo_set_line_width(view.cr, 1);

  auto gyousei = ReadArcs(m + "gyousei/gyousei.arc");
  Polygons(view, m + "gyousei/tyome.pgn", gyousei, "A", 0.97, 0.95, 0.88, false);
  auto gaiku = ReadArcs(m + "gaiku/GAIKU.ARC");
  Polygons(view, m + "gaiku/GAIKU.PGN", gaiku, "A", 0.93, 0.90, 0.85, false);
  Polygons(view, m + "gaiku/GAIKU.PGN", gaiku, "A", 0.6, 0.55, 0.5, true);
  auto kasen = ReadArcs(m + "kasen/kasen.arc");
  Polygons(view, m + "kasen/kasen.pgn", kasen, "A", 0.6, 0.8, 1.0, false);
  Polygons(view, m + "kasen/kasen.pgn", kasen, "A", 0.2, 0.4, 0.8, true);
  auto mizu = ReadArcs(m + "mizu/mizu.arc");
  Polygons(view, m + "mizu/mizu.pgn", mizu, "A", 0.6, 0.8, 1.0, false);
  auto tatemono = ReadArcs(m + "tatemono/tatemono.arc");
  Polygons(view, m + "tatemono/tatemono.pgn", tatemono, "A", 0.9, 0.6, 0.6, false);
  auto others = ReadArcs(m + "others/others.arc");
  const struct {
    const char* code;
    double r, g, b;
  } grounds[] = {{"A6200", .8, .8, .7}, {"A6242", .6, .9, .6}, {"A6243", .9, .9, .6},
                 {"A6244", .9, .7, .9}, {"A6215", .7, .7, .7}, {"A6241", .85, .8, .75}};
  for (const auto& ground : grounds) {
    Polygons(view, m + "others/zyouti.pgn", others, ground.code, ground.r, ground.g, ground.b,
             false);
  }
  Polygons(view, m + "mizu/mizu.pgn", mizu, "A5201", 0.6, 0.8, 1.0, false);
  Arcs(view, others, "L2300", 0.1, 0.1, 0.1, 3);
  Arcs(view, kasen, "L5122", 0.2, 0.4, 0.9, 1);
  Arcs(view, mizu, "L5106", 0.1, 0.2, 0.7, 2);
  auto road = ReadArcs(m + "road/roadntwk.arc");
  Arcs(view, road, "L2110", 0.95, 0.6, 0.2, 1);
  Arcs(view, road, "L2101", 0.4, 0.4, 0.4, 0.7);
  Polygons(view, m + "gyousei/tyome.pgn", gyousei, "A", 0.5, 0.2, 0.5, true);
  Arcs(view, gyousei, "L1101", 0.8, 0.0, 0.0, 2);
  for (const std::string& line : Lines(m + "others/eki.pnt")) {
    if (line.rfind("P", 0) != 0) continue;
    std::vector<std::string> f = Fields(line);
    cairo_arc(view.cr, (std::atof(f[3].c_str()) - view.east0) * view.scale,
              (view.north1 - std::atof(f[2].c_str())) * view.scale, 5, 0, 6.3);
    cairo_set_source_rgb(view.cr, 0.8, 0, 0);
    cairo_fill(view.cr);
  }
  cairo_destroy(view.cr);
  cairo_status_t status = cairo_surface_write_to_png(surface, argv[2]);
  cairo_surface_destroy(surface);
  return status == CAIRO_STATUS_SUCCESS ? 0 : 1;
}
