#include "drawers/poly_rings.h"

#include "base/numbers.h"
#include "drawers/draw_common.h"
#include "mapdata/map_format.h"
#include "mapdata/token.h"

namespace sheetwright::drawers {

namespace format = mapdata::format;
using base::StrToInt;
using internal::ArcIdOf;
using internal::Report;
using mapdata::TokenGet;

bool ReadReferenceCount(DrawContext& ctx, std::string_view record_line, int32_t& count) {
  std::string_view count_text = TokenGet(record_line, format::kPolygonRefCountField);
  if (count_text.empty()) {
    Report(ctx.sink, "PGNファイルのレコード数不正=", record_line);
    return false;
  }
  count = StrToInt(count_text);
  return true;
}

int FindReferencedArc(DrawContext& ctx, const mapdata::ArcTable& arcs, std::string_view ref_line,
                      bool& reversed) {
  std::string_view id_text = TokenGet(ref_line, format::kReferenceArcField);
  if (id_text.empty()) {
    Report(ctx.sink, "PGNファイルのPID不正=", ref_line);
    return -1;
  }
  int32_t reference = StrToInt(id_text);
  reversed = reference < 0;
  int slot = arcs.PidSrc(ArcIdOf(reference), ctx.sink);
  if (slot == -1) Report(ctx.sink, "ARCID-NOTFOUND=", id_text);
  return slot;
}

ArcRecord ReadArcRecord(DrawContext& ctx, const mapdata::ArcTable& arcs, int slot, bool outline,
                        int32_t& count) {
  if (const auto* fields = ctx.arc_points.Fields(arcs, slot)) {
    if (outline && fields->line_type == format::kHiddenLineType) return ArcRecord::kHidden;
    count = fields->count;
    return ArcRecord::kDraw;
  }
  std::string_view arc_line = arcs.ArcLines(slot);
  if (outline) {
    std::string_view line_type = TokenGet(arc_line, format::kArcLineTypeField);
    if (line_type.empty()) {
      Report(ctx.sink, "線種ID不正=", arc_line);
      return ArcRecord::kStop;
    }
    if (StrToInt(line_type) == format::kHiddenLineType) return ArcRecord::kHidden;
  }
  std::string_view count_text = TokenGet(arc_line, format::kArcPointCountField);
  if (count_text.empty()) {
    Report(ctx.sink, "座標数不正=", arc_line);
    return ArcRecord::kStop;
  }
  count = StrToInt(count_text);
  return ArcRecord::kDraw;
}

}  // namespace sheetwright::drawers
