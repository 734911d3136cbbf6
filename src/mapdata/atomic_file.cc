#include "mapdata/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "mapdata/encoding.h"
#include "mapdata/messages.h"

namespace sheetwright::mapdata {

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  auto fail = [&](int err) {
    throw ConversionError(Cp932ToUtf8(path) + " に書き込めません: " + std::strerror(err));
  };
  std::string temp = path + ".tmpXXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) fail(errno);
  // Keep the permissions a newly created file would have had.
  mode_t mask = ::umask(0);
  ::umask(mask);
  struct stat old {};
  ::fchmod(fd, ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : (0666 & ~mask));
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      int err = n < 0 ? errno : ENOSPC;
      ::close(fd);
      ::unlink(temp.c_str());
      fail(err);
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0 && errno != EINVAL) {
    int err = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    fail(err);
  }
  if (::close(fd) != 0) {
    int err = errno;
    ::unlink(temp.c_str());
    fail(err);
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    int err = errno;
    ::unlink(temp.c_str());
    fail(err);
  }
}

}  // namespace sheetwright::mapdata
