// The group-code stream of a DXF file: each value is a line with its code before it, CR LF ended
// as the CADs write them, handed on in chunks of about 64 KB so that a large drawing is never held
// whole. Numbers take the shortest form that reads back exactly. Internal to the DXF writer.
#pragma once

#include <array>
#include <charconv>
#include <concepts>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
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
    char* start = at_;
    at_ = std::to_chars(at_, at_ + 32, value).ptr;
    // A real with no point or exponent is read as an integer by some readers.
    bool plain = true;
    for (const char* c = start; c != at_; ++c) {
      if (*c == '.' || *c == 'e' || *c == 'E' || *c == 'n') plain = false;
    }
    if (plain) Put(".0");
    EndLine();
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
    if (tenths < 0) {
      *at_++ = '-';
      tenths = -tenths;
    }
    // Map coordinates are almost all below 10 km: their digits written by hand.
    if (tenths < 100000) {
      auto value = static_cast<uint32_t>(tenths);
      Small(value / 10);
      at_[0] = '.';
      at_[1] = static_cast<char>('0' + value % 10);
      at_ += 2;
    } else {
      Append(tenths / 10);
      at_[0] = '.';
      at_[1] = static_cast<char>('0' + tenths % 10);
      at_ += 2;
    }
    EndLine();
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
  // Codes right-aligned in three places, as the CADs write them.
  void Code(int code) {
    if (code >= kTableCodes || code < 0) {
      Append(code);
      Put("\r\n");
      return;
    }
    // Eight bytes copied, five kept: the buffer always has room past the line.
    std::memcpy(at_, kCodeLines[code].data(), 8);
    at_ += 5;
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
  // A number below 10000, two digits at a time.
  void Small(uint32_t value) {
    static constexpr auto kPairs = [] {
      std::array<char, 200> pairs{};
      for (int i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
      }
      return pairs;
    }();
    uint32_t high = value / 100, low = value % 100;
    if (high != 0) {
      if (high >= 10) *at_++ = kPairs[2 * high];
      *at_++ = kPairs[2 * high + 1];
      std::memcpy(at_, &kPairs[2 * low], 2);
      at_ += 2;
    } else {
      if (low >= 10) *at_++ = kPairs[2 * low];
      *at_++ = kPairs[2 * low + 1];
    }
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
