// Replacing a file so that a failure never leaves it damaged: the bytes go to a temporary file in
// the same folder, which is flushed and then renamed over the target. Used for every stored drawing
// and for the settings file.
#pragma once

#include <string>
#include <string_view>

namespace sheetwright::base {

// A file written in place of `path` piece by piece: the bytes go to a temporary file in the same
// folder, and Commit flushes it and renames it over the target. Destroyed uncommitted, it removes
// the temporary file and leaves the old one untouched. Every failure throws
// ConversionError("<path> に書き込めません: <reason>"), after which no temporary file is left.
class AtomicFile {
 public:
  explicit AtomicFile(std::string path);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void Write(std::string_view bytes);
  void Commit();

 private:
  [[noreturn]] void Fail(int err);

  std::string path_, temp_;
  int fd_ = -1;
};

// The whole file at once, as AtomicFile does it.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace sheetwright::base
