// Replacing a file so that a failure never leaves it damaged: the bytes go to a temporary file in
// the same folder, which is flushed and then renamed over the target. Used for every stored drawing
// and for the settings file.
#pragma once

#include <string>
#include <string_view>

namespace sheetwright::mapdata {

// Throws ConversionError("<path> に書き込めません: <reason>") on failure; the old file, if any,
// is then untouched and no temporary file is left behind.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace sheetwright::mapdata
