#include <io.h>

#include "platform/stop.h"
#include "platform/text.h"
#include "platform/wide_windows.h"

namespace sheetwright::platform {
namespace {

constexpr UINT kCp932 = 932;
constexpr char kReplacement[] = "\xEF\xBF\xBD";

// Code page 932 maps these single bytes (to U+0080, U+F8F0, U+F8F1-U+F8F3); glibc's CP932 has
// no character for them. Refused both ways, so that Windows gives Linux's bytes and text.
bool NoCharacterOnLinux(unsigned char byte) { return byte == 0x80 || byte == 0xA0 || byte >= 0xFD; }

bool IsLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Characters glibc's CP932 also encodes though code page 932 has no code for them (one-way
// mappings of look-alikes); the code page's own mapping decides every other character.
struct ExtraCode {
  char32_t code_point;
  const char* cp932;
};
constexpr ExtraCode kLinuxOnly[] = {
    {0x00A2, "\x81\x91"}, {0x00A3, "\x81\x92"}, {0x00A5, "\x5C"},
    {0x00AC, "\x81\xCA"}, {0x2014, "\x81\x5C"}, {0x2016, "\x81\x61"},
    {0x203E, "\x7E"},     {0x2212, "\x81\x7C"}, {0x301C, "\x81\x60"},
};

}  // namespace

std::string DecodeCp932(std::string_view cp932) {
  std::string out;
  out.reserve(cp932.size() * 2);
  size_t i = 0;
  while (i < cp932.size()) {
    auto byte = static_cast<unsigned char>(cp932[i]);
    if (byte < 0x80) {
      out += static_cast<char>(byte);
      ++i;
      continue;
    }
    size_t length = IsLeadByte(byte) && i + 1 < cp932.size() ? 2 : 1;
    wchar_t wide[2];
    int n = NoCharacterOnLinux(byte) || (IsLeadByte(byte) && length == 1)
                ? 0
                : MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, cp932.data() + i,
                                      static_cast<int>(length), wide, 2);
    if (n <= 0) {
      // As glibc's iconv: this byte is replaced and the next one starts afresh.
      out += kReplacement;
      ++i;
      continue;
    }
    out += Narrow(std::wstring_view(wide, static_cast<size_t>(n)));
    i += length;
  }
  return out;
}

bool EncodeCp932Char(std::string_view utf8_char, std::string& out) {
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8_char.data(),
                              static_cast<int>(utf8_char.size()), nullptr, 0);
  if (n <= 0) return false;
  std::wstring wide = Wide(utf8_char);
  char32_t code_point = wide[0];
  if (wide.size() == 2) code_point = 0x10000 + ((wide[0] - 0xD800) << 10) + (wide[1] - 0xDC00);
  for (const ExtraCode& extra : kLinuxOnly) {
    if (extra.code_point == code_point) {
      out += extra.cp932;
      return true;
    }
  }
  char bytes[8];
  BOOL defaulted = FALSE;
  int length =
      WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                          bytes, sizeof bytes, nullptr, &defaulted);
  if (length <= 0 || defaulted) return false;
  if (length == 1 && NoCharacterOnLinux(static_cast<unsigned char>(bytes[0]))) return false;
  out.append(bytes, static_cast<size_t>(length));
  return true;
}

std::string SettingsTextToPath(std::string_view stored) {
  int valid = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, stored.data(),
                                  static_cast<int>(stored.size()), nullptr, 0);
  return valid > 0 || stored.empty() ? std::string(stored) : DecodeCp932(stored);
}

std::string PathToSettingsText(std::string_view path) {
  BOOL defaulted = FALSE;
  std::wstring wide = Wide(path);
  int n = WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, wide.data(),
                              static_cast<int>(wide.size()), nullptr, 0, nullptr, &defaulted);
  if (defaulted || n <= 0) return std::string(path);  // no CP932 form: kept as UTF-8
  return Narrow(wide, kCp932);
}

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

std::string SignalName(int signal) {
  switch (signal) {
    case kStopHangUp:
      return "HUP";
    case kStopInterrupt:
      return "INT";
    case kStopTerminate:
      return "TERM";
  }
  return std::to_string(signal);
}

}  // namespace sheetwright::platform
