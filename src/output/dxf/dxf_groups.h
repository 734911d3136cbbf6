// The group-code stream of a DXF file: each value is a line with its code before it, CR LF ended
// as the CADs write them, handed on in chunks of about 64 KB so that a large drawing is never held
// whole. Numbers take the shortest form that reads back exactly. Internal to the DXF writer.
#pragma once

#include <array>
#include <charconv>
#include <concepts>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace sheetwright::output::dxf {

class GroupWriter {
 public:
  explicit GroupWriter(const std::function<void(std::string_view)>& write)
      : write_(write),
        capacity_(kChunkBytes + kLineBytes),
        buffer_(new char[capacity_]),
        at_(buffer_.get()) {}

  // A text value; the caller keeps line breaks out of it.
  void Text(int code, std::string_view value) {
    if (value.size() > kLineBytes / 2) Room(value.size() + kLineBytes);
    Code(code);
    Put(value);
    EndLine();
  }
  // Lines written as they stand, CR LF ended by the caller: a run of groups that repeats.
  void Lines(std::string_view lines) {
    if (lines.size() > kLineBytes / 2) Room(lines.size() + kLineBytes);
    Put(lines);
    if (Size() >= kChunkBytes) Flush();
  }
  template <std::integral T>
  void Int(int code, T value) {
    Code(code);
    Append(value);
    EndLine();
  }
  void Real(int code, double value) {
    Code(code);
    at_ = RealAt(at_, value);
    EndLine();
  }
  // A real as Real writes it, for runs of groups made once.
  static std::string RealText(double value) {
    char text[40];
    return std::string(text, RealAt(text, value));
  }
  // A handle: upper-case hexadecimal.
  void Handle(int code, uint64_t handle) {
    Code(code);
    char* start = at_;
    at_ = std::to_chars(at_, at_ + 20, handle, 16).ptr;
    for (char* c = start; c != at_; ++c) {
      if (*c >= 'a') *c = static_cast<char>(*c - 'a' + 'A');
    }
    EndLine();
  }
  // A value in tenths, written as a decimal with one place ("1234.5"): map coordinates in metres
  // without going through floating point, which most of a drawing's bytes are.
  void Tenths(int code, int64_t tenths) {
    Code(code);
    if (Short(tenths)) {
      at_ = ShortTenths(at_, tenths);
    } else {
      if (tenths < 0) *at_++ = '-';
      Append(tenths < 0 ? -(tenths / 10) : tenths / 10);
      at_[0] = '.';
      at_[1] = static_cast<char>('0' + std::abs(tenths % 10));
      at_[2] = '\r';
      at_[3] = '\n';
      at_ += 4;
    }
    if (Size() >= kChunkBytes) Flush();
  }
  // A point in tenths: x under `code`, y under code + 10. Written through a local pointer, which
  // the compiler need not reload after every byte as it must the member.
  void TenthsPoint(int code, int64_t x, int64_t y) {
    if (!Short(x) || !Short(y) || code < 0 || code + 10 >= kTableCodes) {
      Tenths(code, x);
      Tenths(code + 10, y);
      return;
    }
    char* at = CodeAt(at_, code);
    at = ShortTenths(at, x);
    at = CodeAt(at, code + 10);
    at_ = ShortTenths(at, y);
    if (Size() >= kChunkBytes) Flush();
  }
  void Point(double x, double y, int code = 10) {
    Real(code, x);
    Real(code + 10, y);
  }

  void Flush() {
    if (Size() == 0) return;
    write_(std::string_view(buffer_.get(), Size()));
    at_ = buffer_.get();
  }

 private:
  static constexpr size_t kChunkBytes = 64 * 1024;
  // Room past a chunk for any one line but a long text value.
  static constexpr size_t kLineBytes = 4096;

  size_t Size() const { return static_cast<size_t>(at_ - buffer_.get()); }
  // Makes room for `bytes` more, flushing and, for a value longer than a chunk, growing.
  void Room(size_t bytes) {
    if (Size() + bytes <= capacity_) return;
    Flush();
    if (bytes <= capacity_) return;
    capacity_ = bytes;
    buffer_.reset(new char[capacity_]);
    at_ = buffer_.get();
  }
  void Put(std::string_view bytes) {
    std::memcpy(at_, bytes.data(), bytes.size());
    at_ += bytes.size();
  }
  static char* RealAt(char* at, double value) {
    char* start = at;
    at = std::to_chars(at, at + 32, value).ptr;
    // A real with no point or exponent is read as an integer by some readers.
    for (const char* c = start; c != at; ++c) {
      if (*c == '.' || *c == 'e' || *c == 'E' || *c == 'n') return at;
    }
    std::memcpy(at, ".0", 2);
    return at + 2;
  }
  // Codes right-aligned in three places, as the CADs write them.
  void Code(int code) {
    if (code >= kTableCodes || code < 0) {
      Append(code);
      Put("\r\n");
      return;
    }
    at_ = CodeAt(at_, code);
  }
  // Eight bytes copied, five kept: the buffer always has room past the line.
  static char* CodeAt(char* at, int code) {
    std::memcpy(at, kCodeLines[code].data(), 8);
    return at + 5;
  }
  static constexpr int kTableCodes = 1000;
  static constexpr auto kCodeLines = [] {
    std::array<std::array<char, 8>, kTableCodes> lines{};
    for (int code = 0; code < kTableCodes; ++code) {
      lines[code] = {code >= 100 ? static_cast<char>('0' + code / 100) : ' ',
                     code >= 10 ? static_cast<char>('0' + code / 10 % 10) : ' ',
                     static_cast<char>('0' + code % 10), '\r', '\n'};
    }
    return lines;
  }();
  // Map coordinates are almost all within 10 km: their digits written by hand.
  static bool Short(int64_t tenths) { return tenths > -100000 && tenths < 100000; }
  // A short value in tenths and its line end, two digits at a time.
  static char* ShortTenths(char* at, int64_t tenths) {
    static constexpr auto kPairs = [] {
      std::array<char, 200> pairs{};
      for (int i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
      }
      return pairs;
    }();
    if (tenths < 0) *at++ = '-';
    auto value = static_cast<uint32_t>(tenths < 0 ? -tenths : tenths);
    uint32_t whole = value / 10, high = whole / 100, low = whole % 100;
    if (high != 0) {
      if (high >= 10) *at++ = kPairs[2 * high];
      *at++ = kPairs[2 * high + 1];
      std::memcpy(at, &kPairs[2 * low], 2);
      at += 2;
    } else {
      if (low >= 10) *at++ = kPairs[2 * low];
      *at++ = kPairs[2 * low + 1];
    }
    const char tail[4] = {'.', static_cast<char>('0' + value % 10), '\r', '\n'};
    std::memcpy(at, tail, 4);
    return at + 4;
  }
  template <std::integral T>
  void Append(T value) {
    at_ = std::to_chars(at_, at_ + 24, value).ptr;
  }
  void EndLine() {
    Put("\r\n");
    if (Size() >= kChunkBytes) Flush();
  }

  const std::function<void(std::string_view)>& write_;
  size_t capacity_;
  std::unique_ptr<char[]> buffer_;
  char* at_;
};

}  // namespace sheetwright::output::dxf
