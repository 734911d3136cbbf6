#include "mapdata/table_loader.h"

#include <cstdint>
#include <limits>
#include <string>

#include "base/encoding.h"
#include "base/numbers.h"
#include "mapdata/bad_line.h"
#include "mapdata/fields.h"

namespace sheetwright::mapdata {

bool ReadTableHeader(LineCursor& cursor, int count_field, base::MessageSink& sink,
                     base::ProgressHook* progress) {
  // An empty file has no header line: the load ends before its first line, with nothing to say.
  if (cursor.AtEnd()) return false;
  std::string_view header = cursor.Next();
  if (progress != nullptr) progress->Step();
  std::string_view count = Field(header, count_field);
  if (count.empty()) {
    ReportBadLine(sink, "ARCファイルのレコード数不正=", header, " -->");
    return false;
  }
  base::StrToInt(count);  // only its validity matters; see the header comment
  return true;
}

size_t ReserveHint(std::string_view text, size_t average_line_length) {
  return text.size() / (average_line_length == 0 ? 1 : average_line_length) + 1;
}

void CheckSlotLimit(size_t slots, const FileText& file) {
  if (slots >= static_cast<size_t>(std::numeric_limits<int>::max())) {
    throw base::ConversionError(base::PlatformTextToUtf8(file.path()) + " は行数が多すぎます");
  }
}

void CheckOffsetLimit(const FileText& file) {
  if (file.text().size() >= std::numeric_limits<uint32_t>::max()) {
    throw base::ConversionError(base::PlatformTextToUtf8(file.path()) + " は大きすぎます");
  }
}

}  // namespace sheetwright::mapdata
