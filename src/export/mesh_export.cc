#include "export/mesh_export.h"

#include "base/encoding.h"
#include "base/numbers.h"
#include "export/export_parts.h"
#include "export/feature_row.h"
#include "mapdata/bad_line.h"
#include "mapdata/fields.h"
#include "mapdata/label_name.h"
#include "mapdata/map_format.h"
#include "platform/folders.h"

namespace sheetwright::gis {

namespace format = mapdata::format;

ExportContext::ExportContext(const std::string& mesh_folder, const std::string& mesh,
                             const Placement& placement, GisFile& file, base::MessageSink& sink)
    : mesh(base::PlatformTextToUtf8(mesh)),
      placement(placement),
      file(file),
      sink(*this, mesh_folder, sink),
      references{.sink = this->sink},
      paths_(mapdata::FileSet(mesh_folder)) {}

void PlacingSink::Report(const base::Message& message) {
  base::Message placed = message;
  if (!placed.place.known()) placed.place = Find(message.subject.data());
  inner_.Report(placed);
}

base::Place PlacingSink::Find(const char* at) {
  for (const auto& [path, text] : ctx_.texts_) {
    if (!text) continue;
    std::optional<long> line = lines_.LineOf(*text, at);
    if (!line) continue;
    return {platform::RelativeTo(mesh_folder_, text->path()), *line};
  }
  return {};
}

std::shared_ptr<const mapdata::FileText> ExportContext::Text(
    std::string mapdata::MeshFiles::*member) {
  const std::string& path = paths_.*member;
  auto [it, added] = texts_.try_emplace(path);
  if (added) {
    if (std::optional<std::string> found = mapdata::FindDataFile(path)) {
      it->second = mapdata::FileText::Read(*found);
    }
  }
  return it->second;
}

const mapdata::ArcTable& ExportContext::Arcs(std::string mapdata::MeshFiles::*member) {
  auto [it, added] = arcs_.try_emplace(paths_.*member);
  if (added) {
    it->second = std::make_unique<mapdata::ArcTable>();
    if (auto text = Text(member)) it->second->Load(text, sink);
  }
  return *it->second;
}

FeatureRow& ExportContext::Row(size_t layer) {
  if (!rows_[layer]) rows_[layer] = std::make_unique<FeatureRow>(file, layer, mesh);
  return *rows_[layer];
}

void ExportContext::FlushRows() {
  for (auto& row : rows_) {
    if (row) row->Flush();
  }
}

std::vector<std::string_view> NameLines(ExportContext& ctx, const mapdata::FileText* atr_file,
                                        char letter, const mapdata::PolyTable& table) {
  std::vector<std::string_view> names(static_cast<size_t>(table.size()));
  if (atr_file == nullptr) return names;
  mapdata::LineCursor cursor(*atr_file);
  while (!cursor.AtEnd()) {
    std::string_view line = cursor.Next();
    if (line.empty() || line.front() != letter) continue;
    std::string_view id_text = mapdata::Field(line, format::kIdField);
    if (id_text.empty()) {
      mapdata::ReportBadLine(ctx.sink, "PGNファイルのPID不正=", line);
      continue;
    }
    int slot = table.FindPid(base::StrToInt(id_text));
    if (slot == -1) {
      mapdata::ReportBadLine(ctx.sink, "ATRID-NOTFOUND=", id_text);
      continue;
    }
    if (names[static_cast<size_t>(slot)].empty()) names[static_cast<size_t>(slot)] = line;
  }
  return names;
}

void ExportPoints(ExportContext& ctx, size_t layer) {
  const LayerSpec& spec = kLayers[layer];
  auto pnt = ctx.Text(spec.file);
  if (!pnt) return;
  mapdata::PolyTable points;
  points.LoadPoints(pnt, ctx.sink);
  auto atr = ctx.Text(spec.attributes);
  std::vector<std::string_view> names = NameLines(ctx, atr.get(), format::kPointRecord, points);
  std::string buffer;
  mapdata::LineCursor cursor(*pnt);
  while (!cursor.AtEnd()) {
    std::string_view line = cursor.Next();
    if (line.empty() || line.front() != format::kPointRecord) continue;
    std::string_view f[format::kPointEastField];
    mapdata::SplitFields(line, f);
    int32_t pid = base::StrToInt(f[format::kIdField - 1]);
    FeatureRow& row = ctx.Row(layer);
    row.Int("code", ClassCode(f[0]));
    row.Int("pid", pid);
    // Names join by the label drawer's lookup: the first point of this ID.
    int slot = points.FindPid(pid);
    std::string_view name_line = slot >= 0 ? names[static_cast<size_t>(slot)] : std::string_view();
    if (!name_line.empty()) {
      row.Int("name_code", ClassCode(mapdata::Field(name_line, 1)));
      row.Name("name", "name_raw", mapdata::BuildName(name_line, spec.name_field, false, buffer));
    }
    double north = base::StrToFloat(f[format::kPointNorthField - 1]);
    double east = base::StrToFloat(f[format::kPointEastField - 1]);
    row.Shape().Point(east + ctx.placement.east, north + ctx.placement.north);
    row.Write();
  }
}

void ExportMesh(const std::string& mesh_folder, const std::string& mesh, const Placement& placement,
                GisFile& file, base::MessageSink& sink) {
  ExportContext ctx(mesh_folder, mesh, placement, file, sink);
  try {
    for (size_t i = 0; i < kLayers.size(); ++i) {
      switch (kLayers[i].kind) {
        case LayerKind::kArc:
          ExportArcs(ctx, i);
          break;
        case LayerKind::kPolygon:
          ExportPolygons(ctx, i);
          break;
        case LayerKind::kPoint:
          ExportPoints(ctx, i);
          break;
        case LayerKind::kProblem:
          break;  // filled by the polygon layers
      }
    }
  } catch (const base::ConversionError& e) {
    // A field that is no number, named with the file and line that hold it while they are read.
    base::Place place = e.subject() ? ctx.sink.Find(e.subject()) : base::Place{};
    if (place.known()) throw e.Placed(place);
    throw;
  }
  ctx.FlushRows();
}

}  // namespace sheetwright::gis
