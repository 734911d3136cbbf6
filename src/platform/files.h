// Files through the operating system: reading a whole file, replacing a file atomically, scratch
// files, temporary names and the leftovers of runs that were killed. The only place (with the
// other headers of this folder) that calls the system; files_posix.cc and files_windows.cc are its
// two halves.
//
// The API of src/platform/ is stable: other folders and branches build on it. Add to it; change a
// signature only with every caller.
//
// Paths are byte strings: on POSIX the file system's own bytes, on Windows UTF-8, turned into
// UTF-16 at each system call. Failures carry a std::error_code (generic category for errno values,
// system category for Windows error codes); its message() is the reason shown to users.
//
// The rules every replacement follows: a frozen file is kept (POSIX: its mode has no write bit,
// judged by the mode bits so that root keeps it too; Windows: its read-only attribute); the new
// file takes the old one's owner, group and mode (POSIX); a symbolic link, dangling or not, stays a
// link and its target is written (POSIX); a target another program holds open fails (Windows) with
// the old file kept and no temporary file left.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

namespace sheetwright::platform {

// The whole of the regular file at `path`, read to its real end even when its size changes
// meanwhile. Throws std::system_error (naming the path) with the failed call's error, EISDIR for
// a folder, EINVAL for a FIFO or device (which could block forever).
std::string ReadWholeFile(const std::string& path);

// A file written in place of `path` piece by piece: the bytes go to a temporary file in the same
// folder as the file finally written (a link's target), named TempPrefix(target) + six characters,
// and Commit moves it over the target. Destroyed uncommitted, it removes the temporary file and
// leaves the old one untouched. Every failure throws std::system_error whose what() begins with the
// path as given; no temporary file is left after it.
class AtomicFile {
 public:
  explicit AtomicFile(std::string path);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void Write(std::string_view bytes);
  // Flushes the bytes to the disk and closes the temporary file, which then waits for Commit by its
  // name: a file that waits holds no file handle. Commit calls it when it was not called.
  void Close();
  void Commit();

  const std::string& shown() const { return shown_; }

 private:
  [[noreturn]] void Fail(std::error_code error);

  std::string shown_;  // the path as given, for messages
  std::string path_;   // the file written: `shown_`, or the target of the link it names
  std::string temp_;
  intptr_t handle_ = -1;  // a file descriptor or a HANDLE; -1 for none on both
  uint64_t written_ = 0;  // bytes written so far
  uint64_t handed_ = 0;   // of which the disk was asked to start on
};

// A file of scratch bytes that a run writes once and then reads back from its start, for a writer
// that must see all of its input before it writes any. It lies at TempPrefix(stem) + six
// characters, so that what a killed run left is removed by the next run's RemoveLeftovers in that
// folder (Windows: the system removes it when the process ends), and it is removed when destroyed.
// Every failure throws std::system_error whose what() begins with the scratch file's path (the
// stem when it could not be made).
class ScratchFile {
 public:
  explicit ScratchFile(const std::string& stem);
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  // Appends at the end of what was written.
  void Write(std::string_view bytes);
  // Reads from byte `offset` on; a Write after it appends again.
  void Rewind(uint64_t offset = 0);
  // Up to `size` bytes at the reading place into `buffer`: how many, fewer only at the end.
  size_t Read(char* buffer, size_t size);

  const std::string& path() const { return path_; }

 private:
  [[noreturn]] void Fail(std::error_code error);

  std::string path_;
  intptr_t handle_ = -1;  // a file descriptor or a HANDLE; -1 for none on both
  bool reading_ = false;
};

// Writes `bytes` over the file at `path` itself, for a file that may be written where no temporary
// file can be made beside it. A failure or a crash while writing leaves the file cut short. Throws
// std::system_error naming the path.
void WriteFileInPlace(const std::string& path, std::string_view bytes);

// True when the user may write the existing file at `target` but not make a new file beside it
// (their own settings in a folder only an administrator may write).
bool WritableOnlyInPlace(const std::string& target);

// The file a write to `path` reaches: `path` itself, or, when it is a symbolic link, the end of its
// chain of links (which need not exist). Relative link targets count from the link's folder.
std::string LinkTarget(const std::string& path);

// No error when a file at `path` may be replaced or does not exist; otherwise why not (permission
// denied for a frozen file or one the caller may not write; EISDIR for a folder).
std::error_code WriteRefusal(const std::string& path);

// The start of every temporary name made for `target` by this process: target + ".tmp" + the
// process id + "-"; six characters follow. A hidden temporary folder (see MakeTempFolder) starts
// with "." + its file name.
std::string TempPrefix(const std::string& target);

// Makes a new empty hidden folder beside `target` (".NAME.tmp<pid>-XXXXXX") for a writer that must
// create its file itself, and returns its path; empty, with `error` set, when it cannot.
std::string MakeTempFolder(const std::string& target, std::error_code& error);

// Removes a temporary folder and what it holds. Needs no file handle when the folder is empty, so
// that it works when a run has run out of them.
void RemoveTempFolder(const std::string& folder);

// Moves the finished file `from` over `to` (same folder or one below it), flushed through to the
// disk where the system offers it. An error when `to` is held open by another program (Windows).
std::error_code MoveOver(const std::string& from, const std::string& to);

// Puts `temp`, a complete file that another writer made and closed (a database), in place of
// `path` by the rules of AtomicFile: a frozen file is kept (and `temp` left to the caller), a
// link's target is replaced, the old file's owner, group and mode carried over. `temp` must lie
// on the target's file system, beside LinkTarget(path).
std::error_code ReplaceWith(const std::string& temp, const std::string& path);

// Removes the file (or empty folder) at `path`; no error when there is none.
std::error_code RemoveFile(const std::string& path);

// Removes from `folder` the temporary files and folders of our own name pattern (above) whose
// process has ended: what a killed run left behind. Names of running processes, this one's, and
// every other name are kept. Returns how many it removed.
int RemoveLeftovers(const std::string& folder);

}  // namespace sheetwright::platform
