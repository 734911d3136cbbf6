// The loading steps that the arc, polygon, point and attribute tables share: reading the header
// line with its record count, and the bounds every table keeps to. The loaders themselves decide
// which of the following lines they store and how.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/messages.h"
#include "mapdata/record_lines.h"

namespace sheetwright::mapdata {

// What a table holds: nothing yet (new or reset); nothing because its file's header line has no
// record count or the file has no header line at all; or what a load stored (perhaps no line).
enum class TableState : uint8_t { kEmpty, kBadHeader, kLoaded };

// Reads the header line from `cursor` and checks its record count field. Returns true when the
// count is present; the cursor then stands on the first line after the header. Returns false when
// the text has no header line at all (silently) or when the count field is empty (after showing
// "ARCファイルのレコード数不正=<header> -->", whatever the kind of file). A count that is present
// but not an integer throws ConversionError. The count's value is deliberately not returned:
// nothing may be sized from it, tables grow with the lines actually stored. `progress`, when
// given, is stepped once the header has been read.
bool ReadTableHeader(LineCursor& cursor, int count_field, base::MessageSink& sink,
                     base::ProgressHook* progress = nullptr);

// A capacity hint for a table about to hold the lines of `text`: bounded by the text's size,
// so a file can never make us reserve more than it could fill.
size_t ReserveHint(std::string_view text, size_t average_line_length);

// Slots are numbered with int (as the last index is); a file with more stored lines than that is
// refused with ConversionError rather than wrapping the index.
void CheckSlotLimit(size_t slots, const FileText& file);

// The arc table keeps 32-bit offsets into its file; a file of 4 GiB or more is refused with
// ConversionError. (Map data files are a few megabytes.)
void CheckOffsetLimit(const FileText& file);

}  // namespace sheetwright::mapdata
