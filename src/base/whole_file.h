// Reading a whole regular file into memory, safely against files that change size while read and
// against FIFOs and devices. Map text files (mapdata/record_lines.h) and the settings file read
// through this.
#pragma once

#include <string>

namespace sheetwright::base {

// The whole of the regular file at `path`, read to its real end even when its size changes
// meanwhile. Throws std::system_error (generic category, naming the path) with the errno of the
// failed call, EISDIR for a folder, EINVAL for a FIFO or device (which could block forever).
std::string ReadWholeFile(const std::string& path);

}  // namespace sheetwright::base
