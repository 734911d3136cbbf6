#include "mapdata/polygon_arcs.h"

#include "base/numbers.h"
#include "mapdata/bad_line.h"
#include "mapdata/map_format.h"
#include "mapdata/fields.h"

namespace sheetwright::mapdata {
namespace {

using base::StrToInt;

// The absolute value of a signed arc reference. The one value without a positive counterpart
// (-2147483648) stays as it is, which is what 32-bit negation does; it finds
// only an arc written with that very ID.
int32_t ArcIdOf(int32_t reference) {
  if (reference >= 0) return reference;
  if (reference == INT32_MIN) return reference;
  return -reference;
}

}  // namespace

std::optional<ArcFields> ParseArcFields(std::string_view arc_record_line) {
  std::string_view fields[format::kArcPointCountField];
  SplitFields(arc_record_line, fields);
  std::optional<int32_t> line_type = base::TryParseInt(fields[format::kArcLineTypeField - 1]);
  std::optional<int32_t> count = base::TryParseInt(fields[format::kArcPointCountField - 1]);
  if (!line_type || !count) return std::nullopt;
  return ArcFields{*line_type, *count};
}

bool ReadReferenceCount(const ReferenceReader& ctx, std::string_view record_line, int32_t& count) {
  std::string_view count_text = Field(record_line, format::kPolygonRefCountField);
  if (count_text.empty()) {
    ReportBadLine(ctx.sink, "PGNファイルのレコード数不正=", record_line);
    return false;
  }
  count = StrToInt(count_text);
  return true;
}

int FindReferencedArc(const ReferenceReader& ctx, const ArcTable& arcs, std::string_view ref_line,
                      bool& reversed) {
  std::string_view id_text = Field(ref_line, format::kReferenceArcField);
  if (id_text.empty()) {
    ReportBadLine(ctx.sink, "PGNファイルのPID不正=", ref_line);
    return -1;
  }
  int32_t reference = StrToInt(id_text);
  reversed = reference < 0;
  int slot = arcs.FindArc(ArcIdOf(reference), ctx.sink);
  if (slot == -1) ReportBadLine(ctx.sink, "ARCID-NOTFOUND=", id_text);
  return slot;
}

ArcRecord ReadArcRecord(const ReferenceReader& ctx, const ArcTable& arcs, int slot, bool outline,
                        int32_t& count) {
  const ArcFields* fields = ctx.known_fields ? ctx.known_fields->Fields(arcs, slot) : nullptr;
  if (fields != nullptr) {
    if (outline && fields->line_type == format::kHiddenLineType) return ArcRecord::kHidden;
    count = fields->count;
    return ArcRecord::kDraw;
  }
  std::string_view arc_line = arcs.Line(slot);
  if (outline) {
    std::string_view line_type = Field(arc_line, format::kArcLineTypeField);
    if (line_type.empty()) {
      ReportBadLine(ctx.sink, "線種ID不正=", arc_line);
      return ArcRecord::kStop;
    }
    if (StrToInt(line_type) == format::kHiddenLineType) return ArcRecord::kHidden;
  }
  std::string_view count_text = Field(arc_line, format::kArcPointCountField);
  if (count_text.empty()) {
    ReportBadLine(ctx.sink, "座標数不正=", arc_line);
    return ArcRecord::kStop;
  }
  count = StrToInt(count_text);
  return ArcRecord::kDraw;
}

}  // namespace sheetwright::mapdata
