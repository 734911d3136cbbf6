#include "base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>

#include "base/encoding.h"
#include "base/messages.h"

namespace sheetwright::base {
namespace {

// The process's file creation mask, read without changing it: umask() can only be read by setting
// it, which would briefly give files created by other threads (parallel conversions) wrong
// permissions. Linux reports it in /proc/self/status; 022 is the usual value otherwise.
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

[[noreturn]] void ThrowWriteError(const std::string& path, int err) {
  throw ConversionError::Unwritable(PlatformTextToUtf8(path), std::strerror(err));
}

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

}  // namespace

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
  auto error = [](int err) { return std::error_code(err, std::generic_category()); };
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return errno == ENOENT ? std::error_code() : error(errno);
  if (S_ISDIR(st.st_mode)) return error(EISDIR);
  // access(2) grants root everything; the mode bits say what the owner meant.
  if ((st.st_mode & 0222) == 0) return error(EACCES);
  if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return error(errno);
  return {};
}

AtomicFile::AtomicFile(std::string path)
    : shown_(std::move(path)), path_(LinkTarget(shown_)), temp_(path_ + ".tmpXXXXXX") {
  if (std::error_code refusal = WriteRefusal(path_)) {
    temp_.clear();
    Fail(refusal.value());
  }
  fd_ = ::mkostemp(temp_.data(), O_CLOEXEC);
  if (fd_ < 0) {
    int err = errno;
    temp_.clear();
    Fail(err);
  }
  TakeOwnerAndMode(fd_, path_);
}

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!temp_.empty()) ::unlink(temp_.c_str());
}

void AtomicFile::Fail(int err) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  ThrowWriteError(shown_, err);
}

void AtomicFile::Write(std::string_view bytes) {
  if (fd_ < 0) Fail(EBADF);
  if (int err = WriteAll(fd_, bytes)) Fail(err);
  written_ += bytes.size();
  // A large file goes on to the disk while the rest is made, so that the flush at the end waits
  // only for its tail (the time a drawing of a few hundred megabytes takes the disk would
  // otherwise come on top of the time to make it). Errors show at that flush.
  constexpr uint64_t kStartEvery = 8 << 20;
  if (written_ - handed_ >= kStartEvery) {
    ::sync_file_range(fd_, static_cast<off_t>(handed_), static_cast<off_t>(written_ - handed_),
                      SYNC_FILE_RANGE_WRITE);
    handed_ = written_;
  }
}

void AtomicFile::Close() {
  if (fd_ < 0) {
    if (temp_.empty()) Fail(EBADF);
    return;
  }
  if (::fsync(fd_) != 0 && errno != EINVAL) Fail(errno);
  int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0) Fail(errno);
}

void AtomicFile::Commit() {
  Close();
  // Asked again: the file may have been frozen while this one was written.
  if (std::error_code refusal = WriteRefusal(path_)) Fail(refusal.value());
  if (::rename(temp_.c_str(), path_.c_str()) != 0) Fail(errno);
  temp_.clear();
  SyncFolderOf(path_);
}

void ReplaceWith(const std::string& temp, const std::string& path) {
  std::string target = LinkTarget(path);
  if (std::error_code refusal = WriteRefusal(target)) ThrowWriteError(path, refusal.value());
  int fd = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) ThrowWriteError(path, errno);
  TakeOwnerAndMode(fd, target);
  int err = ::fsync(fd) != 0 && errno != EINVAL ? errno : 0;
  ::close(fd);
  if (!err && ::rename(temp.c_str(), target.c_str()) != 0) err = errno;
  if (err) ThrowWriteError(path, err);
  SyncFolderOf(target);
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  AtomicFile file(path);
  file.Write(bytes);
  file.Commit();
}

void WriteFileInPlace(const std::string& path, std::string_view bytes) {
  std::string target = LinkTarget(path);
  if (std::error_code refusal = WriteRefusal(target)) ThrowWriteError(path, refusal.value());
  int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) ThrowWriteError(path, errno);
  // Truncated only once the new bytes are in: a short write then at least keeps the old tail
  // rather than nothing.
  int err = WriteAll(fd, bytes);
  if (!err && ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) err = errno;
  if (!err && ::fsync(fd) != 0 && errno != EINVAL) err = errno;
  if (::close(fd) != 0 && !err) err = errno;
  if (err) ThrowWriteError(path, err);
}

}  // namespace sheetwright::base
