// How a bad record is told: the message's prefix followed directly by the offending line or field,
// decoded for display. Shared by the drawers and the GIS export, which report bad records alike.
#pragma once

#include <string>
#include <string_view>

#include "base/encoding.h"
#include "base/messages.h"

namespace sheetwright::mapdata {

// The map bytes are CP932; the sink takes UTF-8. `cp932` is a view into the file's text, from which
// the conversion tells the file and the line.
inline void ReportBadLine(base::MessageSink& sink, std::string_view prefix, std::string_view cp932,
                          std::string_view suffix = {}) {
  std::string text(prefix);
  text += base::MessageText(cp932);
  text += suffix;
  sink.Report({std::move(text), cp932, {}});
}

}  // namespace sheetwright::mapdata
