// An INI text file held in memory: read entries by section and key, change or add entries, and
// write the whole file back with every other line kept as it was (foreign sections, keys, comments
// and blank lines survive). The rules are those of the classic profile functions: names compared
// without regard to ASCII letter case, the first matching section and the first matching key win,
// a value is the text after the first "=", at most 2047 characters of it are read.
//
// Entries are written in the file's own encoding (UTF-8 for a new file), lines end in CR LF. On
// reading, LF alone and CR alone (old editors) end a line too, and each line that is not valid
// UTF-8 is decoded as CP932, so a file written on Windows reads the same. A line that no Set
// rewrites keeps its bytes, whatever their encoding: a CP932 comment stays CP932, and a line that
// decodes as neither (Latin-1, stray bytes) is never replaced by its lossy reading. For the
// settings of this program use settings_file.h; this class knows nothing of their keys.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sheetwright::settings {

// Longest value, in characters, that a read returns; longer values are cut.
constexpr size_t kMaxIniValueLength = 2047;

class IniFile {
 public:
  // How the file's text is written back: as it was read. UTF-8 unless the file starts with a
  // UTF-16 byte-order mark (Notepad's "Unicode") or its lines are ASCII and CP932 only.
  enum class Encoding : uint8_t { kUtf8, kCp932, kUtf16Le, kUtf16Be };
  Encoding encoding() const { return encoding_; }

  // Splits `bytes` into lines (CR LF, LF or CR) and decodes each one (UTF-8, else CP932). Time
  // and memory are linear in the size of the text.
  static IniFile Parse(std::string_view bytes);

  // Reads the file at `path`. nullopt when no file exists there; throws std::system_error when
  // one exists but cannot be read.
  static std::optional<IniFile> Load(const std::string& path);

  // The value of `key` in `section`, without surrounding blanks and one pair of enclosing quotes,
  // cut to kMaxIniValueLength characters. nullopt when the section or the key is missing.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;

  // Get, but the value's bytes as they stand in the file, undecoded: a path written on
  // Windows names its folder in CP932 bytes, which only the bytes find again.
  std::optional<std::string> GetBytes(std::string_view section, std::string_view key) const;

  // True when some section or key name satisfies `wanted` (names as spelled in the file).
  bool AnyName(const std::function<bool(std::string_view)>& wanted) const;

  // True when every line is blank.
  bool Blank() const;

  // True when the bytes are INI text: no NUL byte (a binary file, UTF-16 without its byte-order
  // mark) and, unless blank, at least one section, entry or ";" comment line.
  bool LooksLikeIni() const;

  // Get, with "" for a missing entry.
  std::string GetString(std::string_view section, std::string_view key) const;

  // Sets `key` in `section` to `value`. An existing entry's line is rewritten (keeping the spelling
  // of its key); a new entry goes after the last entry of its section, or, when the section is
  // missing, the section and the entry are appended to the end. A value that would not read back
  // unchanged (surrounding blanks, enclosing quotes) is written in double quotes. Throws
  // std::invalid_argument for a value with a line break, which no line can hold.
  void Set(std::string_view section, std::string_view key, std::string_view value);

  // The file's bytes, each line ended by CR LF: the lines as read, but for the entries Set wrote.
  std::string Serialize() const;

  // Writes Serialize() to `path` atomically (see base/atomic_file.h); on failure the old file
  // stays whole. Throws base::ConversionError.
  void Save(const std::string& path) const;

 private:
  enum class Kind : uint8_t { kOther, kSection, kEntry };
  struct Line {
    std::string text;  // UTF-8, without its line break
    // The line's bytes in the file when they differ from `text` (a line that was not UTF-8);
    // empty otherwise. Serialize writes them back.
    std::string file_bytes;
    Kind kind = Kind::kOther;
    std::string name;      // section name or key, blanks trimmed, as spelled in the file
    size_t value_pos = 0;  // entries: where the text after the first "=" begins
  };

  static Line ParseLine(std::string text);
  // The bytes Serialize writes for `line` (without its line break).
  std::string LineBytes(const Line& line) const;
  // Index of the first section line named `section`, or lines_.size().
  size_t FindSection(std::string_view section) const;
  // The line of `key` in `section`, or nullptr.
  const Line* FindEntry(std::string_view section, std::string_view key) const;

  // Every section line as (hash of its name without letter case, line), sorted: a lookup is a
  // binary search. Built at the first lookup, kept up to date by Set. (A hash map of the names
  // costs several times more to build for a file of many small sections.)
  void IndexSection(size_t line) const;
  mutable std::vector<std::pair<uint64_t, size_t>> section_index_;
  mutable bool index_valid_ = false;

  bool utf8_bom_ = false;
  Encoding encoding_ = Encoding::kUtf8;
  std::vector<Line> lines_;
};

// The integer rule of the settings file: "0x" or "0X" followed by at least one character, or "$",
// introduces up to 32 bits of hexadecimal (so "$80000008" is the window-text colour); anything else
// is decimal with an optional sign, in the signed 32-bit range. nullopt when it is no number.
std::optional<int32_t> ParseIniInteger(std::string_view text);

}  // namespace sheetwright::settings
