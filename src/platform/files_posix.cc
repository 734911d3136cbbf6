#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>

#include "platform/files.h"
#include "platform/folders.h"

namespace sheetwright::platform {
namespace {

std::error_code Errno(int err = errno) { return std::error_code(err, std::generic_category()); }

[[noreturn]] void Throw(const std::string& path, std::error_code error) {
  throw std::system_error(error, path);
}

// The process's file creation mask, read without changing it: umask() can only be read by setting
// it, which would briefly give files created by other threads (parallel conversions) wrong
// permissions. Linux reports it in /proc/self/status; 022 is the usual value otherwise.
mode_t CurrentUmask();

// A new file (mkstemp makes it 0600 and ours; another writer as it likes) takes the old file's
// owner, group and permissions (owner and group only where the system lets us: as root, or a group
// we belong to), or the permissions a newly created file would have had. The mode comes last: a
// change of owner clears the set-ID bits.
void TakeOwnerAndMode(int fd, const std::string& old_path) {
  struct stat old {};
  if (::stat(old_path.c_str(), &old) == 0) {
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) (void)!::fchown(fd, -1, old.st_gid);
    ::fchmod(fd, old.st_mode & 07777);
  } else {
    ::fchmod(fd, 0666 & ~CurrentUmask());
  }
}

mode_t CurrentUmask() {
  static const mode_t mask = [] {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
      if (line.rfind("Umask:", 0) == 0)
        return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    }
    return static_cast<mode_t>(022);
  }();
  return mask;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// After the rename, flush the folder entry too, so that the new name survives a power loss. A
// failure here is not reported: the file itself is complete and in place.
void SyncFolderOf(const std::string& path) {
  int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// 0, or the errno of the failed write.
int WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : ENOSPC;
    p += n;
    left -= static_cast<size_t>(n);
  }
  return 0;
}

}  // namespace

std::string ReadWholeFile(const std::string& path) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer; it has no effect on regular files.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) Throw(path, Errno());
  // A folder, FIFO or device is refused (a FIFO could block forever).
  struct stat st {};
  int err = ::fstat(fd, &st) != 0  ? errno
            : S_ISDIR(st.st_mode)  ? EISDIR
            : !S_ISREG(st.st_mode) ? EINVAL
                                   : 0;
  std::string bytes;
  if (err == 0) {
    // One spare byte: the read that sees the end then needs no regrow (which would copy the file).
    bytes.resize(static_cast<size_t>(st.st_size) + 1);
  }
  size_t got = 0;
  // The size may change while we read; read to the real end either way.
  while (err == 0) {
    if (got == bytes.size()) bytes.resize(bytes.size() + 65536);
    ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno != EINTR) err = errno;
    if (n == 0) break;
    if (n > 0) got += static_cast<size_t>(n);
  }
  ::close(fd);
  if (err != 0) Throw(path, Errno(err));
  bytes.resize(got);
  return bytes;
}

std::string LinkTarget(const std::string& path) {
  std::string target = path;
  // The kernel's own limit of links followed in one lookup.
  for (int hops = 0; hops < 40; ++hops) {
    char buffer[4096];
    ssize_t n = ::readlink(target.c_str(), buffer, sizeof buffer);
    if (n < 0 || n == sizeof buffer) return target;
    std::string next(buffer, static_cast<size_t>(n));
    target = next.front() == '/' ? next : FolderOf(target) + "/" + next;
  }
  return target;
}

std::error_code WriteRefusal(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return errno == ENOENT ? std::error_code() : Errno();
  if (S_ISDIR(st.st_mode)) return Errno(EISDIR);
  // access(2) grants root everything; the mode bits say what the owner meant.
  if ((st.st_mode & 0222) == 0) return Errno(EACCES);
  if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return Errno();
  return {};
}

bool WritableOnlyInPlace(const std::string& target) {
  return ::access(target.c_str(), F_OK) == 0 && !WriteRefusal(target) &&
         ::faccessat(AT_FDCWD, FolderOf(target).c_str(), W_OK | X_OK, AT_EACCESS) != 0;
}

AtomicFile::AtomicFile(std::string path)
    : shown_(std::move(path)), path_(LinkTarget(shown_)), temp_(TempPrefix(path_) + "XXXXXX") {
  if (std::error_code refusal = WriteRefusal(path_)) {
    temp_.clear();
    Fail(refusal);
  }
  int fd = ::mkostemp(temp_.data(), O_CLOEXEC);
  if (fd < 0) {
    int err = errno;
    temp_.clear();
    Fail(Errno(err));
  }
  handle_ = fd;
  TakeOwnerAndMode(fd, path_);
}

AtomicFile::~AtomicFile() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
  if (!temp_.empty()) ::unlink(temp_.c_str());
}

void AtomicFile::Fail(std::error_code error) {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
  handle_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  Throw(shown_, error);
}

void AtomicFile::Write(std::string_view bytes) {
  if (handle_ < 0) Fail(Errno(EBADF));
  int fd = static_cast<int>(handle_);
  if (int err = WriteAll(fd, bytes)) Fail(Errno(err));
  written_ += bytes.size();
  // A large file goes on to the disk while the rest is made, so that the flush at the end waits
  // only for its tail (the time a drawing of a few hundred megabytes takes the disk would
  // otherwise come on top of the time to make it). Errors show at that flush.
  constexpr uint64_t kStartEvery = 8 << 20;
  if (written_ - handed_ >= kStartEvery) {
    ::sync_file_range(fd, static_cast<off_t>(handed_), static_cast<off_t>(written_ - handed_),
                      SYNC_FILE_RANGE_WRITE);
    handed_ = written_;
  }
}

void AtomicFile::Close() {
  if (handle_ < 0) {
    if (temp_.empty()) Fail(Errno(EBADF));
    return;
  }
  int fd = static_cast<int>(handle_);
  if (::fsync(fd) != 0 && errno != EINVAL) Fail(Errno());
  int closed = ::close(fd);
  handle_ = -1;
  if (closed != 0) Fail(Errno());
}

void AtomicFile::Commit() {
  Close();
  // Asked again: the file may have been frozen while this one was written.
  if (std::error_code refusal = WriteRefusal(path_)) Fail(refusal);
  if (::rename(temp_.c_str(), path_.c_str()) != 0) Fail(Errno());
  temp_.clear();
  SyncFolderOf(path_);
}

ScratchFile::ScratchFile(const std::string& stem) : path_(TempPrefix(stem) + "XXXXXX") {
  int fd = ::mkostemp(path_.data(), O_CLOEXEC);
  if (fd < 0) Throw(stem, Errno());
  handle_ = fd;
}

ScratchFile::~ScratchFile() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
  ::unlink(path_.c_str());
}

void ScratchFile::Fail(std::error_code error) { Throw(path_, error); }

void ScratchFile::Write(std::string_view bytes) {
  int fd = static_cast<int>(handle_);
  if (reading_ && ::lseek(fd, 0, SEEK_END) < 0) Fail(Errno());
  reading_ = false;
  if (int err = WriteAll(fd, bytes)) Fail(Errno(err));
}

void ScratchFile::Rewind(uint64_t offset) {
  if (::lseek(static_cast<int>(handle_), static_cast<off_t>(offset), SEEK_SET) < 0) Fail(Errno());
  reading_ = true;
}

size_t ScratchFile::Read(char* buffer, size_t size) {
  size_t got = 0;
  while (got < size) {
    ssize_t n = ::read(static_cast<int>(handle_), buffer + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail(Errno());
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  return got;
}

void WriteFileInPlace(const std::string& path, std::string_view bytes) {
  std::string target = LinkTarget(path);
  if (std::error_code refusal = WriteRefusal(target)) Throw(path, refusal);
  int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) Throw(path, Errno());
  // Truncated only once the new bytes are in: a short write then at least keeps the old tail
  // rather than nothing.
  int err = WriteAll(fd, bytes);
  if (!err && ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) err = errno;
  if (!err && ::fsync(fd) != 0 && errno != EINVAL) err = errno;
  if (::close(fd) != 0 && !err) err = errno;
  if (err) Throw(path, Errno(err));
}

std::string MakeTempFolder(const std::string& target, std::error_code& error) {
  size_t slash = LastSeparator(target);
  std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  std::string name = "." + std::string(BaseName(target));
  std::string temp = TempPrefix(folder + name) + "XXXXXX";
  if (::mkdtemp(temp.data()) == nullptr) {
    error = Errno();
    return {};
  }
  error.clear();
  return temp;
}

void RemoveTempFolder(const std::string& folder) {
  // Never walked through a link: one with our name is removed as itself.
  if (struct stat st{}; ::lstat(folder.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    ::unlink(folder.c_str());
    return;
  }
  // rmdir needs no file handle; only a folder that still holds files is walked.
  if (::rmdir(folder.c_str()) == 0 || errno == ENOENT) return;
  std::error_code error;
  for (const FolderEntry& entry : ListFolder(folder, error)) {
    ::unlink(JoinPath(folder, entry.name).c_str());
  }
  ::rmdir(folder.c_str());
}

std::error_code RemoveFile(const std::string& path) {
  if (::remove(path.c_str()) == 0 || errno == ENOENT) return {};
  return Errno();
}

std::error_code MoveOver(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) return Errno();
  SyncFolderOf(to);
  return {};
}

std::error_code ReplaceWith(const std::string& temp, const std::string& path) {
  std::string target = LinkTarget(path);
  if (std::error_code refusal = WriteRefusal(target)) return refusal;
  int fd = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Errno();
  TakeOwnerAndMode(fd, target);
  std::error_code error = ::fsync(fd) != 0 && errno != EINVAL ? Errno() : std::error_code();
  ::close(fd);
  if (error) return error;
  return MoveOver(temp, target);
}

}  // namespace sheetwright::platform
