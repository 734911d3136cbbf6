// The group-code stream of a DXF file: each value is a line with its code before it, CR LF ended
// as the CADs write them, handed on in chunks of about 64 KB so that a large drawing is never held
// whole. Numbers take the shortest form that reads back exactly. Internal to the DXF writer.
#pragma once

#include <charconv>
#include <concepts>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace sheetwright::output::dxf {

class GroupWriter {
 public:
  explicit GroupWriter(const std::function<void(std::string_view)>& write) : write_(write) {
    buffer_.reserve(kChunkBytes + 4096);
  }

  // A text value; the caller keeps line breaks out of it.
  void Text(int code, std::string_view value) {
    Code(code);
    buffer_.append(value);
    EndLine();
  }
  template <std::integral T>
  void Int(int code, T value) {
    Code(code);
    Append(value);
    EndLine();
  }
  void Real(int code, double value) {
    Code(code);
    char digits[32];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    std::string_view text(digits, end - digits);
    buffer_.append(text);
    // A real with no point or exponent is read as an integer by some readers.
    if (text.find_first_of(".eEn") == text.npos) buffer_.append(".0");
    EndLine();
  }
  // A handle: upper-case hexadecimal.
  void Handle(int code, uint64_t handle) {
    Code(code);
    char digits[20];
    auto end = std::to_chars(digits, digits + sizeof digits, handle, 16).ptr;
    for (char* c = digits; c != end; ++c) {
      if (*c >= 'a') *c = static_cast<char>(*c - 'a' + 'A');
    }
    buffer_.append(digits, end - digits);
    EndLine();
  }
  // A value in tenths, written as a decimal with one place ("1234.5"): map coordinates in metres
  // without going through floating point, which most of a drawing's bytes are.
  void Tenths(int code, int64_t tenths) {
    Code(code);
    if (tenths < 0) {
      buffer_.push_back('-');
      tenths = -tenths;
    }
    Append(tenths / 10);
    buffer_.push_back('.');
    buffer_.push_back(static_cast<char>('0' + tenths % 10));
    EndLine();
  }
  void Point(double x, double y, int code = 10) {
    Real(code, x);
    Real(code + 10, y);
  }

  void Flush() {
    if (buffer_.empty()) return;
    write_(buffer_);
    buffer_.clear();
  }

 private:
  static constexpr size_t kChunkBytes = 64 * 1024;

  // Codes right-aligned in three places, as the CADs write them.
  void Code(int code) {
    if (code >= 1000 || code < 0) {
      Append(code);
      buffer_.append("\r\n");
      return;
    }
    char line[5] = {' ', ' ', static_cast<char>('0' + code % 10), '\r', '\n'};
    if (code >= 10) line[1] = static_cast<char>('0' + code / 10 % 10);
    if (code >= 100) line[0] = static_cast<char>('0' + code / 100);
    buffer_.append(line, sizeof line);
  }
  template <std::integral T>
  void Append(T value) {
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    buffer_.append(digits, end - digits);
  }
  void EndLine() {
    buffer_.append("\r\n");
    if (buffer_.size() >= kChunkBytes) Flush();
  }

  const std::function<void(std::string_view)>& write_;
  std::string buffer_;
};

}  // namespace sheetwright::output::dxf
