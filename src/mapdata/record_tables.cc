#include "mapdata/record_tables.h"

#include "mapdata/numbers.h"
#include "mapdata/table_loader.h"
#include "mapdata/token.h"

namespace sheetwright::mapdata {
namespace {

// Record lines are a minority of a polygon file (arc references follow each), and attribute
// lines are short; a rough divisor keeps the first reservation near the final size.
constexpr size_t kAverageLinePerRecord = 64;

// Runs the shared header step and then `store` on every following line (with the slot the line
// would take). Returns the last index; exceptions pass through to the caller, which empties the
// table.
template <typename Table, typename Store>
int LoadRecords(const std::shared_ptr<const FileText>& file, MessageSink& sink, Table& table,
                Store store) {
  LineCursor cursor(*file);
  if (!ReadTableHeader(cursor, kRecordCountField, sink)) return kBadHeaderLast;
  table.reserve(ReserveHint(file->text(), kAverageLinePerRecord));
  while (!cursor.AtEnd()) {
    std::string_view line = cursor.Next();
    CheckSlotLimit(table.size(), *file);
    store(line, static_cast<int>(table.size()));
  }
  return static_cast<int>(table.size()) - 1;
}

}  // namespace

void PolyTable::Reset() {
  file_.reset();
  recs_.clear();
  last_ = -1;
  index_.Clear();
}

void PolyTable::PolySet(std::shared_ptr<const FileText> file, MessageSink& sink) {
  Load(std::move(file), sink, 'A', 4, 5);
}

void PolyTable::PointSet(std::shared_ptr<const FileText> file, MessageSink& sink) {
  Load(std::move(file), sink, 'P', 3, 4);
}

void PolyTable::Load(std::shared_ptr<const FileText> file, MessageSink& sink, char letter,
                     int y_field, int x_field) {
  Reset();
  if (!file) file = std::make_shared<const FileText>();
  try {
    last_ = LoadRecords(file, sink, recs_, [&](std::string_view line, int slot) {
      if (line.empty() || line.front() != letter) return;
      PolyRec rec;
      rec.pid = StrToInt(TokenGet(line, 2));
      rec.y_text = TokenGet(line, y_field);
      rec.x_text = TokenGet(line, x_field);
      recs_.push_back(rec);
      index_.InsertFirst(rec.pid, slot);
    });
    file_ = std::move(file);
  } catch (...) {
    Reset();
    throw;
  }
}

int PolyTable::AtrPidSrc(int32_t pid) const {
  if (last_ < 0) return -1;
  return index_.Find(pid);
}

void AtrTable::Reset() {
  file_.reset();
  recs_.clear();
  last_ = -1;
  index_.Clear();
}

void AtrTable::AtrSet(std::shared_ptr<const FileText> file, MessageSink& sink) {
  Reset();
  if (!file) file = std::make_shared<const FileText>();
  try {
    last_ = LoadRecords(file, sink, recs_, [&](std::string_view line, int slot) {
      if (line.empty() || line.front() != 'L') return;
      AtrRec rec;
      rec.arc_id = StrToInt(TokenGet(line, 2));
      rec.atr_value = StrToInt(TokenGet(line, 3));
      if (rec.atr_value != 0) {
        rec.atr_text = TokenGet(line, 4);
        index_.InsertFirst(rec.arc_id, slot);
      }
      recs_.push_back(rec);
    });
    file_ = std::move(file);
  } catch (...) {
    Reset();
    throw;
  }
}

int AtrTable::SyuAtrSrc(int32_t arc_id) const {
  if (last_ < 0) return -1;
  return index_.Find(arc_id);
}

}  // namespace sheetwright::mapdata
