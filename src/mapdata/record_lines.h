// Reading map text files as lines: the whole file is read once into memory, cut at the first
// Ctrl-Z (0x1A), and walked line by line without copying. Lines end in CR LF or LF; the last line
// may lack its line break. Every table loader and drawer reads through this.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sheetwright::mapdata {

// The readable bytes of one file: everything before the first Ctrl-Z. Shared read-only between the
// loaders and drawers of one conversion, so a file that many layers read is read from disk once.
class FileText {
 public:
  FileText() = default;
  explicit FileText(std::string bytes, std::string path = {});
  std::string_view text() const { return std::string_view(bytes_).substr(0, length_); }
  const std::string& path() const { return path_; }

  // Reads a file. Throws ConversionError with a clear message when it cannot be opened or read.
  static std::shared_ptr<const FileText> Read(const std::string& path);

 private:
  std::string bytes_;
  size_t length_ = 0;
  std::string path_;
};

// The line a byte of a file's text lies on, for messages that name it. Each file's line ends
// are found on its first question only: a conversion without messages never pays for them.
class LineFinder {
 public:
  // The line (from 1) of `text` that `at` points into, or nullopt when it points elsewhere.
  std::optional<long> LineOf(const FileText& text, const char* at);

 private:
  std::map<const FileText*, std::vector<size_t>> ends_;
};

// Walks the lines of a text. Mirrors a text file read with "read line until end of file": reading
// past the end gives empty lines, as a Pascal-style ReadLn at end of file does.
class LineCursor {
 public:
  explicit LineCursor(std::string_view text) : rest_(text) {}
  explicit LineCursor(const FileText& file) : rest_(file.text()) {}

  bool AtEnd() const { return rest_.empty(); }

  // The next line without its line break; empty once the end is reached.
  std::string_view Next() {
    size_t lf = rest_.find('\n');
    std::string_view line;
    if (lf == std::string_view::npos) {
      line = rest_;
      rest_ = {};
    } else {
      line = rest_.substr(0, lf);
      rest_.remove_prefix(lf + 1);
    }
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  }

 private:
  std::string_view rest_;
};

// True when the line's first characters are exactly `code` (case-sensitive; a shorter line never
// matches). This is how every drawer selects the records of its layer.
inline bool BeginsWith(std::string_view line, std::string_view code) {
  return line.size() >= code.size() && line.compare(0, code.size(), code) == 0;
}

}  // namespace sheetwright::mapdata
