#include <iconv.h>
#include <string.h>
#include <unistd.h>

#include <cerrno>

#include "platform/text.h"

namespace sheetwright::platform {
namespace {

// One conversion descriptor per direction and thread, opened on first use: an iconv_t may not be
// shared between threads, and opening one costs far more than converting a label.
class Descriptor {
 public:
  Descriptor(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Descriptor() {
    if (valid()) iconv_close(cd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// iconv with `replacement` for every byte it cannot convert; false when it met one.
bool Convert(std::string_view in, const Descriptor& descriptor, std::string_view replacement,
             std::string& out) {
  if (!descriptor.valid()) {
    out.append(in);
    return true;
  }
  bool clean = true;
  iconv_t cd = descriptor.get();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // the initial shift state
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  char buffer[256];
  while (src_left > 0) {
    char* dst = buffer;
    size_t dst_left = sizeof buffer;
    size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
    out.append(buffer, dst - buffer);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (a truncated character at the end): replace one byte and go on.
      clean = false;
      out.append(replacement);
      ++src;
      --src_left;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  char* dst = buffer;
  size_t dst_left = sizeof buffer;
  iconv(cd, nullptr, nullptr, &dst, &dst_left);
  out.append(buffer, dst - buffer);
  return clean;
}

}  // namespace

std::string DecodeCp932(std::string_view cp932) {
  thread_local const Descriptor to_utf8("UTF-8", "CP932");
  std::string out;
  out.reserve(cp932.size() * 2);
  Convert(cp932, to_utf8, "\xEF\xBF\xBD", out);
  return out;
}

bool EncodeCp932Char(std::string_view utf8_char, std::string& out) {
  thread_local const Descriptor to_cp932("CP932", "UTF-8");
  std::string one;
  if (!Convert(utf8_char, to_cp932, "", one)) return false;
  out += one;
  return true;
}

std::string SettingsTextToPath(std::string_view stored) { return std::string(stored); }

std::string PathToSettingsText(std::string_view path) { return std::string(path); }

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

std::string SignalName(int signal) {
  const char* name = ::sigabbrev_np(signal);
  return name ? name : std::to_string(signal);
}

}  // namespace sheetwright::platform
