// Replacing a file so that a failure never leaves it damaged: the bytes go to a temporary file in
// the same folder, which is flushed and then renamed over the target. Used for every stored drawing
// and for the settings file.
//
// The rules every replacement follows: a file whose mode has no write bit is kept (its owner froze
// it; judged by the mode bits, so root keeps it too); the new file takes the old one's owner, group
// and mode; a symbolic link, dangling or not, stays a link and its target is written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

namespace sheetwright::base {

// A file written in place of `path` piece by piece: the bytes go to a temporary file in the same
// folder as the file finally written (a link's target), and Commit renames it over the target.
// Destroyed uncommitted, it removes the temporary file and leaves the old one untouched. Every
// failure throws ConversionError("<path> に書き込めません: <reason>"), after which no temporary
// file is left.
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
  [[noreturn]] void Fail(int err);

  std::string shown_;  // the path as given, for messages
  std::string path_;   // the file written: `shown_`, or the target of the link it names
  std::string temp_;
  int fd_ = -1;
  uint64_t written_ = 0;  // bytes written so far
  uint64_t handed_ = 0;   // of which the disk was asked to start on
};

// The whole file at once, as AtomicFile does it.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// Writes `bytes` over the file at `path` itself, for a file that may be written where no temporary
// file can be made beside it (a writable file in a folder the user may not write). It gives up
// what AtomicFile gives: a failure or a crash while writing leaves the file cut short. Throws
// ConversionError like AtomicFile.
void WriteFileInPlace(const std::string& path, std::string_view bytes);

// Puts `temp`, a complete file that another writer made (a database, closed), in place of `path`
// by the rules above: a frozen file is kept (and `temp` left to the caller), a link's target is
// replaced, the old file's owner, group and mode carried over. `temp` must lie on the target's
// file system: beside LinkTarget(path). Throws ConversionError like AtomicFile.
void ReplaceWith(const std::string& temp, const std::string& path);

// The file a write to `path` reaches: `path` itself, or, when it is a symbolic link, the end of
// its chain of links (which need not exist). Relative link targets count from the link's folder.
std::string LinkTarget(const std::string& path);

// No error when a file at `path` may be replaced or does not exist; otherwise why not
// (permission denied when its mode has no write bit, or when the caller may not write it).
std::error_code WriteRefusal(const std::string& path);

}  // namespace sheetwright::base
