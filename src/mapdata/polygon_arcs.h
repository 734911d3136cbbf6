// How a polygon record's arc references are read and resolved against the arc table: the one
// reading that the fill and outline drawers and the GIS export share, so all three take the same
// arcs, in the same direction, and report a bad reference with the same message at the same line.
// Turning the arcs into points (drawing units or map metres) is left to the caller.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "base/messages.h"
#include "mapdata/arc_table.h"
#include "mapdata/record_lines.h"

namespace sheetwright::mapdata {

// The two fields of an arc record line that reading a reference needs.
struct ArcFields {
  int32_t line_type = 0;  // field 2
  int32_t count = 0;      // field 4: how many coordinate lines follow
};

// Both fields when both are integers, else nothing (the caller then reads them field by field,
// which reports or throws as it should).
std::optional<ArcFields> ParseArcFields(std::string_view arc_record_line);

// A store of arc record fields already parsed (the drawers keep one per arc table): Fields() is
// ParseArcFields of the slot's line, or null where that gives nothing.
class ArcFieldSource {
 public:
  virtual const ArcFields* Fields(const ArcTable& arcs, int slot) = 0;

 protected:
  ~ArcFieldSource() = default;
};

// Where reading references reports bad ones, and the fields already known (may be null).
struct ReferenceReader {
  base::MessageSink& sink;
  ArcFieldSource* known_fields = nullptr;
};

// One resolved reference: the arc record line's slot in the arc table, its point count (the
// coordinate lines in slots slot + 1 .. slot + count) and whether the reference is walked from
// the arc's last point to its first.
struct ArcRun {
  int slot = -1;
  int32_t count = 0;
  bool reversed = false;
};

// The reference count of a polygon record line (field 3). False after showing
// "PGNファイルのレコード数不正=<line>", which stops the file; a count that is not an integer throws
// ConversionError.
bool ReadReferenceCount(const ReferenceReader& ctx, std::string_view record_line, int32_t& count);

// What the fields of a referenced arc's record line say about drawing it.
enum class ArcRecord { kDraw, kHidden, kStop };

// Reads the point count of the arc record line in `slot` into `count`; for an outline the line
// type first, in that order. kStop after reporting a missing field (which abandons the record),
// kHidden for an outline's arc of the hidden line type (its count is then not read). A field that
// is not an integer throws ConversionError.
ArcRecord ReadArcRecord(const ReferenceReader& ctx, const ArcTable& arcs, int slot, bool outline,
                        int32_t& count);

// Looks up the arc of one reference line. Returns its slot, or -1 after reporting the reference
// ("PGNファイルのPID不正=" for an empty field, "ARCID-NOTFOUND=" for an unknown arc), which
// abandons the record. `reversed` tells whether the reference carries a minus sign.
int FindReferencedArc(const ReferenceReader& ctx, const ArcTable& arcs, std::string_view ref_line,
                      bool& reversed);

// Reads the `references` reference lines that follow a polygon record from `cursor`, as a fill
// reads them (the line type is not consulted: arcs of every type bound an area), and calls
// visit(const ArcRun&) for each usable one in reference order. Returns true when every reference
// was usable; false when one was reported and ended the record (the rest of its reference lines
// are then left to be read as ordinary lines, and pass over because they hold only numbers).
template <typename Visit>
bool ForEachAreaArc(const ReferenceReader& ctx, const ArcTable& arcs, LineCursor& cursor,
                    int32_t references, Visit&& visit) {
  for (int32_t i = 0; i < references; ++i) {
    ArcRun run;
    run.slot = FindReferencedArc(ctx, arcs, cursor.Next(), run.reversed);
    if (run.slot == -1) return false;
    if (ReadArcRecord(ctx, arcs, run.slot, /*outline=*/false, run.count) != ArcRecord::kDraw) {
      return false;
    }
    visit(static_cast<const ArcRun&>(run));
  }
  return true;
}

}  // namespace sheetwright::mapdata
