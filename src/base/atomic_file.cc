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

// After the rename, flush the folder entry too, so that the new name survives a power loss. A
// failure here is not reported: the file itself is complete and in place.
void SyncFolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)), temp_(path_ + ".tmpXXXXXX") {
  fd_ = ::mkstemp(temp_.data());
  if (fd_ < 0) {
    int err = errno;
    temp_.clear();
    Fail(err);
  }
  // mkstemp creates the file 0600; give it the old file's permissions, or those a newly created
  // file would have had.
  struct stat old {};
  ::fchmod(fd_,
           ::stat(path_.c_str(), &old) == 0 ? (old.st_mode & 07777) : (0666 & ~CurrentUmask()));
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
  throw ConversionError(PlatformTextToUtf8(path_) + " に書き込めません: " + std::strerror(err));
}

void AtomicFile::Write(std::string_view bytes) {
  if (fd_ < 0) Fail(EBADF);
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd_, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail(n < 0 ? errno : ENOSPC);
    p += n;
    left -= static_cast<size_t>(n);
  }
}

void AtomicFile::Commit() {
  if (fd_ < 0) Fail(EBADF);
  if (::fsync(fd_) != 0 && errno != EINVAL) Fail(errno);
  int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0) Fail(errno);
  if (::rename(temp_.c_str(), path_.c_str()) != 0) Fail(errno);
  temp_.clear();
  SyncFolderOf(path_);
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  AtomicFile file(path);
  file.Write(bytes);
  file.Commit();
}

}  // namespace sheetwright::base
