#include "base/encoding.h"

#include <cstdint>

#include "platform/text.h"

namespace sheetwright::base {

std::string Cp932ToUtf8(std::string_view cp932) {
  bool ascii = true;
  for (unsigned char c : cp932) ascii = ascii && c < 0x80;
  if (ascii) return std::string(cp932);
  return platform::DecodeCp932(cp932);
}

std::string MessageText(std::string_view cp932) {
  std::string decoded = Cp932ToUtf8(cp932);
  std::string text;
  text.reserve(decoded.size());
  for (char c : decoded) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      text += c;
    } else if (byte == 0) {
      text += "\u2400";
    } else if (c == '\r' || c == '\n' || c == '\t') {
      text += c == '\r' ? "\\r" : c == '\n' ? "\\n" : "\\t";
    } else {
      static constexpr char kHex[] = "0123456789ABCDEF";
      text += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
    }
  }
  return text;
}

std::string Utf8ToCp932(std::string_view utf8) {
  bool ascii = true;
  for (unsigned char c : utf8) ascii = ascii && c < 0x80;
  if (ascii) return std::string(utf8);
  // A UTF-8 character that has no CP932 form becomes one '?', not one per byte. A malformed
  // sequence is cut short at the first byte that cannot continue it, so that the bytes after it
  // (often plain ASCII) are converted on their own and not swallowed.
  std::string out;
  size_t i = 0;
  while (i < utf8.size()) {
    unsigned char c = utf8[i];
    size_t len = c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF8 ? 4 : 1;
    if (i + len > utf8.size()) len = utf8.size() - i;
    for (size_t k = 1; k < len; ++k) {
      if ((static_cast<unsigned char>(utf8[i + k]) & 0xC0) != 0x80) {
        len = k;
        break;
      }
    }
    if (!platform::EncodeCp932Char(utf8.substr(i, len), out)) out += '?';
    i += len;
  }
  return out;
}

std::string PlatformTextToUtf8(std::string_view bytes) {
  return IsValidUtf8(bytes) ? std::string(bytes) : Cp932ToUtf8(bytes);
}

std::u32string CodePoints(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    unsigned char c = utf8[i];
    int extra = c < 0x80             ? 0
                : (c & 0xE0) == 0xC0 ? 1
                : (c & 0xF0) == 0xE0 ? 2
                : (c & 0xF8) == 0xF0 ? 3
                                     : -1;
    char32_t cp = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
    bool ok = extra >= 0 && i + extra < utf8.size();
    for (int k = 1; ok && k <= extra; ++k) {
      unsigned char d = utf8[i + k];
      ok = (d & 0xC0) == 0x80;
      cp = (cp << 6) | (d & 0x3F);
    }
    if (!ok) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    out.push_back(cp);
    i += extra + 1;
  }
  return out;
}

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = s[i];
    size_t len;
    uint32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      len = 2;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      len = 3;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      len = 4;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + len > s.size()) return false;
    for (size_t k = 1; k < len; ++k) {
      unsigned char d = s[i + k];
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
        cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += len;
  }
  return true;
}

}  // namespace sheetwright::base
