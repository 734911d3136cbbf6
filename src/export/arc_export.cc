// The arc layers: every arc record of an arc file as a line, with the road attribute joined to the
// road arcs.
#include "base/numbers.h"
#include "export/export_parts.h"
#include "export/feature_row.h"
#include "mapdata/bad_line.h"
#include "mapdata/coordinates.h"
#include "mapdata/fields.h"
#include "mapdata/map_format.h"

namespace sheetwright::gis {
namespace {

namespace format = mapdata::format;
using mapdata::ReportBadLine;

// The main-road columns of a road arc: the first attribute that marks it, as the main-roads
// drawer finds it.
void MainRoad(FeatureRow& row, const mapdata::AttributeTable& roads,
              std::optional<int32_t> arc_id) {
  if (!arc_id) return;
  int slot = roads.FindMainRoad(*arc_id);
  if (slot == -1) return;
  row.Int("main_road", roads.Rec(slot).atr_value);
  row.Name("main_road_text", "main_road_text_raw", roads.Rec(slot).atr_text);
}

// The `count` coordinate lines that follow an arc record, as the data holds them.
void ReadLine(mapdata::LineCursor& cursor, int32_t count, const Placement& placement,
              GeometryBlob& line) {
  line.Open(WkbType::kLineString);
  for (int32_t i = 0; i < count; ++i) {
    if (i == mapdata::kMaxFigurePoints) mapdata::FigureTooLong();
    mapdata::MapMetres m = mapdata::ReadCoordinateLine(cursor.Next());
    line.Add(m.east + placement.east, m.north + placement.north);
  }
  line.Close();
}

}  // namespace

void ExportArcs(ExportContext& ctx, size_t layer) {
  const LayerSpec& spec = kLayers[layer];
  auto arc_file = ctx.Text(spec.file);
  if (!arc_file) return;
  mapdata::AttributeTable roads;
  if (spec.attributes != nullptr) {
    if (auto atr = ctx.Text(spec.attributes)) roads.Load(atr, ctx.sink);
  }
  mapdata::LineCursor cursor(*arc_file);
  while (!cursor.AtEnd()) {
    std::string_view line = cursor.Next();
    if (line.empty() || line.front() != format::kArcRecord) continue;
    std::string_view f[format::kArcPointCountField];
    mapdata::SplitFields(line, f);
    FeatureRow& row = ctx.Row(layer);
    row.Int("code", ClassCode(f[0]));
    std::string_view line_type = f[format::kArcLineTypeField - 1];
    if (line_type.empty()) ReportBadLine(ctx.sink, "線種ID不正=", line);
    if (!line_type.empty()) row.Int("line_type", base::StrToInt(line_type));
    std::string_view id_text = f[format::kArcIdField - 1];
    std::optional<int32_t> arc_id;
    if (id_text.empty()) ReportBadLine(ctx.sink, "ARCファイルのアークID不正=", line);
    if (!id_text.empty()) arc_id = base::StrToInt(id_text);
    row.Int("arc_id", arc_id);
    if (spec.attributes != nullptr) MainRoad(row, roads, arc_id);
    std::string_view count_text = f[format::kArcPointCountField - 1];
    if (count_text.empty()) {
      // Its coordinate lines hold only numbers and are passed over up to the next record; the
      // arc is written without geometry. The arc file's own wording: the data names no polygon
      // file here (a record line cut short, as at the end of a truncated file).
      ReportBadLine(ctx.sink, "ARCファイルのレコード数不正=", line);
    } else {
      ReadLine(cursor, base::StrToInt(count_text), ctx.placement, row.Shape());
    }
    row.Write();
  }
}

}  // namespace sheetwright::gis
