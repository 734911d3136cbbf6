// The arc table: one arc file held in memory as whole lines, so that the polygon drawers can find
// an arc by its ID and read its coordinate lines. Loaded from each theme's arc file before that
// theme's polygon layers; the arc drawers read arc files themselves and do not use it.
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

class ArcTable {
 public:
  // Loads every line after the header into its own slot, in file order (slot s = line s + 2).
  // A header without its record count (field 4) shows "ARCファイルのレコード数不正=<line> -->" and
  // leaves the table kBadHeader. A count that is not an integer throws ConversionError. The count sizes
  // nothing: the table holds exactly the lines stored. `progress` is stepped after each line.
  // An empty file (no header line) is also kBadHeader, without a message; a null `file`
  // counts as an empty one. When the load throws (bad count, cancelled), the table is left empty.
  void Load(std::shared_ptr<const FileText> file, base::MessageSink& sink,
              base::ProgressHook* progress = nullptr);

  // Empties the table (kEmpty).
  void Reset();

  // Identifies the table's current content: a new value, never used before in this process, with
  // every load and reset. Lets a reader keep data derived from the lines (such as mapped points)
  // for exactly this content.
  uint64_t content_id() const { return content_id_; }

  TableState state() const { return state_; }
  // The number of stored lines (slots); 0 unless kLoaded.
  int size() const { return static_cast<int>(starts_.size()); }
  bool Holds(int64_t slot) const { return slot >= 0 && slot < size(); }

  // The stored line of a slot, 0 <= slot < size(), without its line break.
  std::string_view Line(int slot) const {
    size_t begin = starts_[slot];
    size_t next = static_cast<size_t>(slot) + 1;
    size_t end = next < starts_.size() ? starts_[next] - 1 : text_.size();
    if (end > begin && text_[end - 1] == '\n') --end;  // only the last line can still hold it
    if (end > begin && text_[end - 1] == '\r') --end;
    return text_.substr(begin, end - begin);
  }

  // The line of a slot, or empty text for a slot outside the stored lines. An arc record whose
  // point count runs past the end of the table thus fails like an arc file that ends too early (a
  // coordinate "" that is not a number) instead of reading lines that are not there.
  std::string_view LineOrEmpty(int64_t slot) const {
    return Holds(slot) ? Line(static_cast<int>(slot)) : std::string_view();
  }

  // The slot of the first arc record line (first character "L") whose field 3 is `arc_id`, or -1.
  // Answers exactly as a front-to-back scan would: when an arc record line with an empty field 3
  // comes before the match (or there is no match), shows "ARCファイルのアークID不正=<line>" and
  // returns -1; when a field 3 that is not an integer comes first, throws ConversionError.
  int FindArc(int32_t arc_id, base::MessageSink& sink) const;

 private:
  std::shared_ptr<const FileText> file_;
  std::string_view text_;
  // Where each stored line begins in text_; a line ends where the next one begins. Four bytes a
  // line rather than a view's sixteen: arc files are mostly short coordinate lines, and the
  // table's memory is most of its load time.
  std::vector<uint32_t> starts_;
  TableState state_ = TableState::kEmpty;
  uint64_t content_id_ = NextContentId();
  static uint64_t NextContentId();
  // Built once per load: arc ID -> first slot, for the arc record lines before the first one
  // whose ID field is empty or not an integer; that line's slot, or -1. A scan never looks past
  // that line, so later lines need no index entry.
  IdIndex index_;
  int first_bad_slot_ = -1;
};

}  // namespace sheetwright::mapdata
