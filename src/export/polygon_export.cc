// The polygon layers: every polygon record as an area built from its arc references, with its
// name joined; records that make no valid area go to the problem layer as lines.
#include "base/numbers.h"
#include "export/export_parts.h"
#include "export/feature_row.h"
#include "export/ring_builder.h"
#include "mapdata/fields.h"
#include "mapdata/label_name.h"
#include "mapdata/map_format.h"
#include "mapdata/polygon_arcs.h"

namespace sheetwright::gis {
namespace {

namespace format = mapdata::format;

// The columns of a polygon record and its name line, shared by the area and the problem layer.
void RecordColumns(FeatureRow& row, std::string_view record_line, std::string_view name_line,
                   int name_field, const Placement& placement) {
  std::string_view f[format::kPolygonEastField];
  mapdata::SplitFields(record_line, f);
  row.Int("code", ClassCode(f[0]));
  row.Int("pid", base::TryParseInt(f[format::kIdField - 1]));
  if (auto north = base::TryParseFloat(f[format::kPolygonNorthField - 1])) {
    if (auto east = base::TryParseFloat(f[format::kPolygonEastField - 1])) {
      row.Real("label_east", *east + placement.east);
      row.Real("label_north", *north + placement.north);
    }
  }
  if (name_line.empty()) return;
  std::string buffer;
  row.Int("name_code", ClassCode(mapdata::Field(name_line, 1)));
  bool single = name_field < 0;
  row.Name("name", "name_raw",
           mapdata::BuildName(name_line, single ? -name_field : name_field, single, buffer));
}

// Why a record makes no area, or null when it makes one.
const char* Problem(bool references_read, int32_t references, const RingBuilder& rings) {
  if (!references_read) return "bad_reference";
  if (rings.HasOpenChain()) return "open_ring";
  if (references < 1 || !rings.HasRings()) return "no_arcs";
  if (rings.HasDegenerateRing()) return "degenerate_ring";
  return nullptr;
}

}  // namespace

void ExportPolygons(ExportContext& ctx, size_t layer) {
  const LayerSpec& spec = kLayers[layer];
  auto pgn = ctx.Text(spec.file);
  if (!pgn) return;
  const mapdata::ArcTable& arcs = ctx.Arcs(spec.arcs);
  mapdata::PolyTable polygons;
  polygons.LoadPolygons(pgn, ctx.sink);
  auto atr = ctx.Text(spec.attributes);
  std::vector<std::string_view> names = NameLines(ctx, atr.get(), format::kPolygonRecord, polygons);
  const size_t problem_layer = kLayers.size() - 1;

  RingBuilder rings;
  mapdata::LineCursor cursor(*pgn);
  while (!cursor.AtEnd()) {
    std::string_view line = cursor.Next();
    if (line.empty() || line.front() != format::kPolygonRecord) continue;
    // Names join by the label drawer's lookup: the first polygon of this ID.
    int slot = polygons.FindPid(base::StrToInt(mapdata::Field(line, format::kIdField)));
    std::string_view name_line = slot >= 0 ? names[static_cast<size_t>(slot)] : std::string_view();
    rings.Reset();
    int32_t references = 0;
    const char* problem = nullptr;
    if (!mapdata::ReadReferenceCount(ctx.references, line, references)) {
      problem = "no_reference_count";  // its reference lines pass over up to the next record
    } else if (arcs.size() == 0) {
      problem = "no_arc_file";
    } else {
      bool read = mapdata::ForEachAreaArc(
          ctx.references, arcs, cursor, references,
          [&](const mapdata::ArcRun& run) { rings.AddArc(arcs, run, ctx.placement); });
      rings.Finish();
      problem = Problem(read, references, rings);
    }
    FeatureRow& row = ctx.Row(problem ? problem_layer : layer);
    RecordColumns(row, line, name_line, spec.name_field, ctx.placement);
    if (problem) {
      row.Text("source", spec.name);
      row.Text("problem", problem);
      rings.Lines(row.Shape());
    } else {
      rings.Area(row.Shape());
    }
    row.Write();
  }
}

}  // namespace sheetwright::gis
