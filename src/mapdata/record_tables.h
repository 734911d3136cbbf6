// The polygon, point and attribute tables: the record lines of one .pgn, .pnt or .atr file reduced
// to small records with an integer ID, searched by the label drawers (where to put a name) and the
// main-roads drawer (which arcs are main roads).
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "base/messages.h"
#include "mapdata/id_index.h"
#include "mapdata/record_lines.h"
#include "mapdata/table_loader.h"

namespace sheetwright::mapdata {

// A polygon's label point or a point's position; the coordinates stay text until drawn.
struct PolyRec {
  int32_t pid = 0;
  std::string_view y_text;  // first (northward) value
  std::string_view x_text;  // second (eastward) value
};

// Common to all three tables: a header without its record count (field 5) shows
// "ARCファイルのレコード数不正=<line> -->" and leaves the table kBadHeader, as does an empty file
// (silently); the count sizes nothing. A stored line whose ID (or attribute value) is missing or
// not an integer throws ConversionError and leaves the table empty. Lookups answer as a scan from
// slot 0 would (first match), through an index built by the load.

// The polygon table (PolyRecs) or the point table (PointRecs): both hold PolyRec records.
class PolyTable {
 public:
  // Polygon file: every line beginning with "A" gives pid = field 2, y = field 4, x = field 5.
  void LoadPolygons(std::shared_ptr<const FileText> file, base::MessageSink& sink);
  // Point file: every line beginning with "P" gives pid = field 2, y = field 3, x = field 4.
  void LoadPoints(std::shared_ptr<const FileText> file, base::MessageSink& sink);

  void Reset();
  TableState state() const { return state_; }
  int size() const { return static_cast<int>(recs_.size()); }
  const PolyRec& Rec(int slot) const { return recs_[slot]; }

  // The first slot whose pid equals `pid`, or -1.
  int FindPid(int32_t pid) const;

 private:
  void Load(std::shared_ptr<const FileText> file, base::MessageSink& sink, char letter, int y_field,
            int x_field);
  std::shared_ptr<const FileText> file_;
  std::vector<PolyRec> recs_;
  TableState state_ = TableState::kEmpty;
  IdIndex index_;  // pid -> first slot
};

struct AttributeRec {
  int32_t arc_id = 0;
  int32_t atr_value = 0;      // non-zero marks the arc (a main road)
  std::string_view atr_text;  // field 4, kept only when atr_value != 0
};

// The attribute table (AttributeRecs) of arc attributes.
class AttributeTable {
 public:
  // Every line beginning with "L": arc_id = field 2, atr_value = field 3, and field 4 when the
  // value is not 0. A missing or non-integer ID or value throws ConversionError.
  void Load(std::shared_ptr<const FileText> file, base::MessageSink& sink);

  void Reset();
  TableState state() const { return state_; }
  int size() const { return static_cast<int>(recs_.size()); }
  const AttributeRec& Rec(int slot) const { return recs_[slot]; }

  // The first slot with this arc ID and a non-zero value, or -1.
  int FindMainRoad(int32_t arc_id) const;

 private:
  std::shared_ptr<const FileText> file_;
  std::vector<AttributeRec> recs_;
  TableState state_ = TableState::kEmpty;
  IdIndex index_;  // arc_id -> first slot with a non-zero value
};

}  // namespace sheetwright::mapdata
