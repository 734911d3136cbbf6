// Replacing a file so that a failure never leaves it damaged: the bytes go to a temporary file in
// the same folder, which is flushed and then moved over the target. Used for every stored drawing
// and for the settings file. The replacement and its rules are platform/files.h's; this adds the
// conversion's error: every failure is a ConversionError naming the path.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace sheetwright::base {

// platform::AtomicFile, whose every failure throws ConversionError("<path> に書き込めません:
// <reason>"), after which no temporary file is left.
class AtomicFile {
 public:
  explicit AtomicFile(std::string path);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void Write(std::string_view bytes);
  // Flushes the bytes to the disk and closes the temporary file, which then waits for Commit by
  // its name: a file that waits holds no file handle. Commit calls it when it was not called.
  void Close();
  void Commit();

 private:
  std::unique_ptr<platform::AtomicFile> file_;
};

// The whole file at once, as AtomicFile does it.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// Writes `bytes` over the file at `path` itself, for a file that may be written where no temporary
// file can be made beside it (a writable file in a folder the user may not write). It gives up
// what AtomicFile gives: a failure or a crash while writing leaves the file cut short. Throws
// ConversionError like AtomicFile.
void WriteFileInPlace(const std::string& path, std::string_view bytes);

// platform::ReplaceWith, whose failure throws ConversionError like AtomicFile's.
void ReplaceWith(const std::string& temp, const std::string& path);

}  // namespace sheetwright::base
