#include "mapdata/arc_table.h"

#include <atomic>
#include <string>

#include "base/encoding.h"
#include "base/numbers.h"
#include "mapdata/bad_line.h"
#include "mapdata/fields.h"
#include "mapdata/map_format.h"
#include "mapdata/table_loader.h"

namespace sheetwright::mapdata {
namespace {

// Arc files are mostly coordinate lines ("35123.456,139456.789" and a line break).
constexpr size_t kAverageArcLine = 20;

}  // namespace

uint64_t ArcTable::NextContentId() {
  static std::atomic<uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

void ArcTable::Reset() {
  content_id_ = NextContentId();
  file_.reset();
  text_ = {};
  starts_.clear();
  state_ = TableState::kEmpty;
  index_.Clear();
  first_bad_slot_ = -1;
}

void ArcTable::Load(std::shared_ptr<const FileText> file, base::MessageSink& sink,
                    base::ProgressHook* progress) {
  Reset();
  if (!file) file = std::make_shared<const FileText>();
  try {
    LineCursor cursor(*file);
    if (!ReadTableHeader(cursor, format::kArcCountField, sink, progress)) {
      state_ = TableState::kBadHeader;
      return;
    }
    CheckOffsetLimit(*file);
    text_ = file->text();
    starts_.reserve(ReserveHint(text_, kAverageArcLine));
    // The IDs are collected in file order and indexed in one go once the table is complete.
    std::vector<IdIndex::Entry> ids;
    while (!cursor.AtEnd()) {
      std::string_view line = cursor.Next();
      CheckSlotLimit(starts_.size(), *file);
      int slot = static_cast<int>(starts_.size());
      starts_.push_back(static_cast<uint32_t>(line.data() - text_.data()));
      if (first_bad_slot_ < 0 && !line.empty() && line.front() == 'L') {
        std::string_view id_field = Field(line, format::kArcIdField);
        std::optional<int32_t> id;
        if (!id_field.empty()) id = base::TryParseInt(id_field);
        if (id) {
          ids.push_back({*id, slot});
        } else {
          // A scan never gets past this line, so later IDs need no entry.
          first_bad_slot_ = slot;
        }
      }
      if (progress != nullptr) progress->Step();
    }
    index_.InsertAllFirst(ids);
    file_ = std::move(file);
    state_ = TableState::kLoaded;
  } catch (...) {
    Reset();
    throw;
  }
}

int ArcTable::FindArc(int32_t arc_id, base::MessageSink& sink) const {
  if (size() == 0) return -1;
  int slot = index_.Find(arc_id);
  if (slot >= 0) return slot;
  if (first_bad_slot_ < 0) return -1;
  // A scan would reach the bad line before any match: answer as it would, on every call.
  std::string_view line = Line(first_bad_slot_);
  std::string_view id_field = Field(line, format::kArcIdField);
  if (id_field.empty()) {
    ReportBadLine(sink, "ARCファイルのアークID不正=", line);
    return -1;
  }
  base::StrToInt(id_field);  // throws: the field is not an integer
  return -1;
}

}  // namespace sheetwright::mapdata
