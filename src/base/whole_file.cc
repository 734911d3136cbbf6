#include "base/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace sheetwright::base {

std::string ReadWholeFile(const std::string& path) {
  auto fail = [&](int err) -> std::string {
    throw std::system_error(err, std::generic_category(), path);
  };
  // O_NONBLOCK: opening a FIFO must not wait for a writer; it has no effect on regular files.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return fail(errno);
  // A folder, FIFO or device is refused (a FIFO could block forever).
  struct stat st {};
  int err = ::fstat(fd, &st) != 0  ? errno
            : S_ISDIR(st.st_mode)  ? EISDIR
            : !S_ISREG(st.st_mode) ? EINVAL
                                   : 0;
  if (err != 0) {
    ::close(fd);
    return fail(err);
  }
  std::string bytes;
  // One spare byte: the read that sees the end then needs no regrow (which would copy the file).
  bytes.resize(static_cast<size_t>(st.st_size) + 1);
  size_t got = 0;
  // The size may change while we read; read to the real end either way.
  for (;;) {
    if (got == bytes.size()) bytes.resize(bytes.size() + 65536);
    ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      return fail(err);
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  bytes.resize(got);
  return bytes;
}

}  // namespace sheetwright::base
