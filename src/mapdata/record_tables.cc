#include "mapdata/record_tables.h"

#include "base/numbers.h"
#include "mapdata/map_format.h"
#include "mapdata/table_loader.h"
#include "mapdata/fields.h"

namespace sheetwright::mapdata {
namespace {

// Bytes of file per stored record, on the low side: a polygon record line is followed by its
// arc references, attribute lines are short. Reserving too much costs only address space for a
// large table (untouched pages are never mapped); growing costs copies and fresh pages.
constexpr size_t kPolygonBytesPerRecord = 32;
constexpr size_t kPointBytesPerRecord = 16;
constexpr size_t kAttributeBytesPerRecord = 16;

// Runs the shared header step and then `store` on every following line (with the slot the line
// would take). Returns kBadHeader or kLoaded; exceptions pass through to the caller, which empties the
// table.
template <typename Table, typename Store>
TableState LoadRecords(const std::shared_ptr<const FileText>& file, size_t bytes_per_record,
                base::MessageSink& sink, Table& table, Store store) {
  LineCursor cursor(*file);
  if (!ReadTableHeader(cursor, format::kRecordCountField, sink)) return TableState::kBadHeader;
  table.reserve(ReserveHint(file->text(), bytes_per_record));
  while (!cursor.AtEnd()) {
    std::string_view line = cursor.Next();
    CheckSlotLimit(table.size(), *file);
    store(line, static_cast<int>(table.size()));
  }
  return TableState::kLoaded;
}

}  // namespace

void PolyTable::Reset() {
  file_.reset();
  recs_.clear();
  state_ = TableState::kEmpty;
  index_.Clear();
}

void PolyTable::LoadPolygons(std::shared_ptr<const FileText> file, base::MessageSink& sink) {
  Load(std::move(file), sink, format::kPolygonRecord, format::kPolygonNorthField,
       format::kPolygonEastField);
}

void PolyTable::LoadPoints(std::shared_ptr<const FileText> file, base::MessageSink& sink) {
  Load(std::move(file), sink, format::kPointRecord, format::kPointNorthField,
       format::kPointEastField);
}

void PolyTable::Load(std::shared_ptr<const FileText> file, base::MessageSink& sink, char letter,
                     int y_field, int x_field) {
  Reset();
  if (!file) file = std::make_shared<const FileText>();
  try {
    std::vector<IdIndex::Entry> ids;
    size_t bytes_per_record =
        letter == format::kPolygonRecord ? kPolygonBytesPerRecord : kPointBytesPerRecord;
    state_ = LoadRecords(file, bytes_per_record, sink, recs_, [&](std::string_view line, int slot) {
      if (line.empty() || line.front() != letter) return;
      std::string_view fields[format::kPolygonEastField];  // enough for a point record too
      SplitFields(line, fields);
      PolyRec rec;
      rec.pid = base::StrToInt(fields[format::kIdField - 1]);
      rec.y_text = fields[y_field - 1];
      rec.x_text = fields[x_field - 1];
      recs_.push_back(rec);
      ids.push_back({rec.pid, slot});
    });
    index_.InsertAllFirst(ids);
    file_ = std::move(file);
  } catch (...) {
    Reset();
    throw;
  }
}

int PolyTable::FindPid(int32_t pid) const {
  if (recs_.empty()) return -1;
  return index_.Find(pid);
}

void AttributeTable::Reset() {
  file_.reset();
  recs_.clear();
  state_ = TableState::kEmpty;
  index_.Clear();
}

void AttributeTable::Load(std::shared_ptr<const FileText> file, base::MessageSink& sink) {
  Reset();
  if (!file) file = std::make_shared<const FileText>();
  try {
    std::vector<IdIndex::Entry> ids;
    state_ = LoadRecords(file, kAttributeBytesPerRecord, sink, recs_,
                        [&](std::string_view line, int slot) {
                          if (line.empty() || line.front() != format::kArcRecord) return;
                          std::string_view fields[format::kAttributeTextField];
                          SplitFields(line, fields);
                          AttributeRec rec;
                          rec.arc_id = base::StrToInt(fields[format::kIdField - 1]);
                          rec.atr_value = base::StrToInt(fields[format::kAttributeValueField - 1]);
                          if (rec.atr_value != 0) {
                            rec.atr_text = fields[format::kAttributeTextField - 1];
                            ids.push_back({rec.arc_id, slot});
                          }
                          recs_.push_back(rec);
                        });
    index_.InsertAllFirst(ids);
    file_ = std::move(file);
  } catch (...) {
    Reset();
    throw;
  }
}

int AttributeTable::FindMainRoad(int32_t arc_id) const {
  if (recs_.empty()) return -1;
  return index_.Find(arc_id);
}

}  // namespace sheetwright::mapdata
