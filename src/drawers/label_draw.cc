// PolygonNameDraw and PointNameDraw: names from attribute files, written at the polygon's label point or
// below the point that the name belongs to.
#include <limits>
#include <stdexcept>
#include <string>

#include "base/numbers.h"
#include "drawers/drawers.h"
#include "mapdata/bad_line.h"
#include "mapdata/label_name.h"
#include "mapdata/map_format.h"
#include "mapdata/fields.h"
#include "picture/recorder.h"

namespace sheetwright::drawers {
namespace {

using mapdata::ReportBadLine;
using mapdata::BuildName;
using mapdata::Field;

// The canvas's default brush colour; the hatched brush is never used to fill anything.
constexpr picture::ColorValue kWhite = 0xFFFFFF;

enum class Placement {
  kCentred,     // centred on the point, pushed right and down onto the sheet
  kHangsBelow,  // centred horizontally, top edge on the point; only pushed right
};

// max(0, v - half), kept within the 32-bit range.
int32_t PushOntoSheet(int32_t v, int32_t half) {
  int64_t shifted = int64_t{v} - half;
  if (shifted <= 0) return 0;
  return shifted > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                       : static_cast<int32_t>(shifted);
}

// Writes the names of the layer's records. Reading stops at a record line without its ID or whose
// ID the table does not hold; the names written before are kept.
picture::Picture DrawLabels(DrawContext& ctx, const mapdata::FileText& atr_file, int field,
                            bool single_field, const mapdata::PolyTable& table,
                            Placement placement) {
  if (ctx.metrics == nullptr) throw std::invalid_argument("label drawing needs text metrics");
  picture::Picture picture;
  picture::Recorder recorder(picture);
  const LayerState& state = ctx.state;
  // Any brush but a solid one writes text on a transparent background: labels get no box.
  recorder.SetBrush(picture::BrushStyle::kDiagCross, kWhite);
  recorder.SetFont(state.font);

  std::string buffer;
  mapdata::LineCursor cursor(atr_file);
  while (!cursor.AtEnd()) {
    std::string_view line = cursor.Next();
    if (!mapdata::BeginsWith(line, state.layer_code)) continue;
    std::string_view id_text = Field(line, mapdata::format::kIdField);
    if (id_text.empty()) {
      ReportBadLine(ctx.sink, "PGNファイルのPID不正=", line);
      break;
    }
    int32_t id = base::StrToInt(id_text);
    int slot = placement == Placement::kCentred ? table.FindPid(id) : table.FindPid(id);
    if (slot == -1) {
      ReportBadLine(ctx.sink, "ATRID-NOTFOUND=", id_text);
      break;
    }
    std::string_view name = BuildName(line, field, single_field, buffer);
    // The point is mapped even for an empty name, so a bad coordinate fails the same either way.
    const mapdata::PolyRec& rec = table.Rec(slot);
    picture::Point at = MapCoordinate(rec.y_text, rec.x_text);
    if (name.empty()) continue;

    picture::TextExtent extent = ctx.metrics->Measure(state.font, name);
    at.x = PushOntoSheet(at.x, extent.width / 2);
    if (placement == Placement::kCentred) at.y = PushOntoSheet(at.y, extent.height / 2);
    recorder.Text(at, name);
  }
  return picture;
}

}  // namespace

picture::Picture PolygonNameDraw(DrawContext& ctx, const mapdata::FileText& atr_file, int field,
                         const mapdata::PolyTable& poly_recs) {
  if (field < 0) {
    int single =
        field == std::numeric_limits<int>::min() ? std::numeric_limits<int>::max() : -field;
    return DrawLabels(ctx, atr_file, single, true, poly_recs, Placement::kCentred);
  }
  return DrawLabels(ctx, atr_file, field, false, poly_recs, Placement::kCentred);
}

picture::Picture PointNameDraw(DrawContext& ctx, const mapdata::FileText& atr_file, int field,
                           const mapdata::PolyTable& point_recs) {
  // A negative field number has no special meaning here: fields `field` and `field` + 1 always.
  return DrawLabels(ctx, atr_file, field, false, point_recs, Placement::kHangsBelow);
}

}  // namespace sheetwright::drawers
