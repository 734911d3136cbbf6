#include "settings/ini_file.h"

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <system_error>

#include "base/ascii.h"
#include "base/atomic_file.h"
#include "base/encoding.h"
#include "base/numbers.h"
#include "platform/files.h"

namespace sheetwright::settings {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

// UTF-16 (Notepad's "Unicode", little or big endian, without its byte-order mark) to UTF-8. An
// unpaired surrogate becomes U+FFFD; an odd last byte is dropped.
std::string Utf16ToUtf8(std::string_view bytes, bool big_endian) {
  auto unit = [&](size_t i) -> uint32_t {
    auto b = [&](size_t k) { return static_cast<uint32_t>(static_cast<unsigned char>(bytes[k])); };
    return big_endian ? (b(i) << 8 | b(i + 1)) : (b(i + 1) << 8 | b(i));
  };
  std::string out;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    uint32_t c = unit(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
        unit(i + 2) < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
    } else if (c < 0x10000) {
      out += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
              static_cast<char>(0x80 | (c & 0x3F))};
    } else {
      out += {static_cast<char>(0xF0 | c >> 18), static_cast<char>(0x80 | (c >> 12 & 0x3F)),
              static_cast<char>(0x80 | (c >> 6 & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    }
  }
  return out;
}

// Valid UTF-8 to UTF-16 with a byte-order mark.
std::string Utf8ToUtf16(std::string_view utf8, bool big_endian) {
  std::string out(big_endian ? kUtf16BeBom : kUtf16LeBom);
  auto put = [&](uint32_t u) {
    char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out += big_endian ? std::string{hi, lo} : std::string{lo, hi};
  };
  for (size_t i = 0; i < utf8.size();) {
    auto byte = [&](size_t k) {
      return static_cast<uint32_t>(static_cast<unsigned char>(utf8[k]));
    };
    uint32_t c = byte(i);
    size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    if (i + len > utf8.size()) break;
    c = len == 1 ? c : c & (0x7F >> len);
    for (size_t k = 1; k < len; ++k) c = c << 6 | (byte(i + k) & 0x3F);
    i += len;
    if (c >= 0x10000) {
      put(0xD800 + ((c - 0x10000) >> 10));
      put(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      put(c);
    }
  }
  return out;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

bool EnclosedInQuotes(std::string_view s) {
  return s.size() >= 2 && IsQuote(s.front()) && s.front() == s.back();
}

// Cuts UTF-8 text after `max_chars` characters, never inside one.
std::string_view CutToChars(std::string_view s, size_t max_chars) {
  size_t chars = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    bool starts_char = (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80;
    if (starts_char && chars++ == max_chars) return s.substr(0, i);
  }
  return s;
}

// The value of an entry line whose text after the "=" starts at `pos`: without surrounding blanks
// and one pair of enclosing quotes.
std::string_view ValueText(std::string_view line, size_t pos) {
  std::string_view value = Trim(line.substr(pos));
  if (EnclosedInQuotes(value)) value = value.substr(1, value.size() - 2);
  return value;
}

// FNV-1a over the name with ASCII letter case folded.
uint64_t NameHash(std::string_view name) {
  uint64_t hash = 14695981039346656037u;
  for (char c : name)
    hash = (hash ^ static_cast<unsigned char>(base::AsciiLower(c))) * 1099511628211u;
  return hash;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

std::optional<int32_t> ParseHex(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : digits) {
    int d = c >= '0' && c <= '9'   ? c - '0'
            : c >= 'a' && c <= 'f' ? c - 'a' + 10
            : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                   : -1;
    if (d < 0) return std::nullopt;
    value = value * 16 + d;
    if (value > UINT32_MAX) return std::nullopt;
  }
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

}  // namespace

IniFile IniFile::Parse(std::string_view bytes) {
  IniFile file;
  std::string from_utf16;
  if (bytes.substr(0, 2) == kUtf16LeBom || bytes.substr(0, 2) == kUtf16BeBom) {
    file.encoding_ = bytes[0] == kUtf16LeBom[0] ? Encoding::kUtf16Le : Encoding::kUtf16Be;
    from_utf16 = Utf16ToUtf8(bytes.substr(2), file.encoding_ == Encoding::kUtf16Be);
    bytes = from_utf16;
  } else if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    file.utf8_bom_ = true;
    bytes.remove_prefix(kUtf8Bom.size());
  }
  // A file whose every line is ASCII or CP932, with at least one CP932 line, came from Windows: it
  // is written back in CP932, every line.
  bool any_cp932 = false, any_utf8 = false;
  // Room for every line at once: a growing array would need twice its size while it moves.
  file.lines_.reserve(std::max(std::count(bytes.begin(), bytes.end(), '\n'),
                               std::count(bytes.begin(), bytes.end(), '\r')) +
                      1);
  while (!bytes.empty()) {
    size_t end = bytes.find_first_of("\r\n");
    std::string_view raw = bytes.substr(0, end);
    size_t next = bytes.size();
    if (end != std::string_view::npos) {
      // A run of CRs before an LF is one line end (CR CR LF comes from a CR LF file passed through
      // a text-mode copy); a CR not followed by CRs and an LF ends a line by itself.
      size_t run = bytes.find_first_not_of('\r', end);
      bool crs_then_lf = run != std::string_view::npos && bytes[run] == '\n';
      next = bytes[end] == '\n' ? end + 1 : crs_then_lf ? run + 1 : end + 1;
    }
    bytes.remove_prefix(next);
    // Decided per line: a hand-edited file may mix a CP932 comment into UTF-8 text. CP932 trail
    // bytes include '[' ']' and '\', so a line is decoded before it is looked at. A decoded line
    // differs from its bytes, which are then kept to be written back as they were.
    std::string text = base::PlatformTextToUtf8(raw);
    bool decoded = text != raw;
    any_cp932 = any_cp932 || decoded;
    any_utf8 = any_utf8 || (!decoded && std::any_of(raw.begin(), raw.end(), [](char c) {
                 return static_cast<unsigned char>(c) >= 0x80;
               }));
    file.lines_.push_back(ParseLine(std::move(text)));
    if (decoded) file.lines_.back().file_bytes = std::string(raw);
  }
  if (file.encoding_ == Encoding::kUtf8 && any_cp932 && !any_utf8 && !file.utf8_bom_) {
    file.encoding_ = Encoding::kCp932;
  }
  return file;
}

IniFile::Line IniFile::ParseLine(std::string text) {
  Line line;
  std::string_view trimmed = Trim(text);
  if (!trimmed.empty() && trimmed.front() == '[') {
    std::string_view name = trimmed.substr(1);
    name = name.substr(0, name.find(']'));
    line.kind = Kind::kSection;
    line.name = std::string(Trim(name));
  } else if (size_t eq = text.find('='); eq != std::string::npos) {
    std::string_view key = Trim(std::string_view(text).substr(0, eq));
    if (!key.empty()) {
      line.kind = Kind::kEntry;
      line.name = std::string(key);
      line.value_pos = eq + 1;
    }
  }
  line.text = std::move(text);
  return line;
}

std::optional<IniFile> IniFile::Load(const std::string& path) {
  std::string bytes;
  try {
    bytes = platform::ReadWholeFile(path);
  } catch (const std::system_error& e) {
    if (e.code().value() == ENOENT || e.code().value() == ENOTDIR) return std::nullopt;
    throw;
  }
  return Parse(bytes);
}

size_t IniFile::FindSection(std::string_view section) const {
  if (!index_valid_) {
    section_index_.clear();
    for (size_t i = 0; i < lines_.size(); ++i) {
      if (lines_[i].kind == Kind::kSection)
        section_index_.emplace_back(NameHash(lines_[i].name), i);
    }
    std::sort(section_index_.begin(), section_index_.end());
    index_valid_ = true;
  }
  // Equal hashes sort by line, so the first section of a name comes first.
  const uint64_t hash = NameHash(section);
  for (auto it = std::lower_bound(section_index_.begin(), section_index_.end(),
                                  std::make_pair(hash, size_t{0}));
       it != section_index_.end() && it->first == hash; ++it) {
    if (base::EqualsIgnoringAsciiCase(lines_[it->second].name, section)) return it->second;
  }
  return lines_.size();
}

void IniFile::IndexSection(size_t line) const {
  auto entry = std::make_pair(NameHash(lines_[line].name), line);
  section_index_.insert(std::upper_bound(section_index_.begin(), section_index_.end(), entry),
                        entry);
}

const IniFile::Line* IniFile::FindEntry(std::string_view section, std::string_view key) const {
  for (size_t i = FindSection(section) + 1; i < lines_.size(); ++i) {
    const Line& line = lines_[i];
    if (line.kind == Kind::kSection) break;
    if (line.kind == Kind::kEntry && base::EqualsIgnoringAsciiCase(line.name, key)) return &line;
  }
  return nullptr;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
  const Line* line = FindEntry(section, key);
  if (!line) return std::nullopt;
  return std::string(CutToChars(ValueText(line->text, line->value_pos), kMaxIniValueLength));
}

std::optional<std::string> IniFile::GetBytes(std::string_view section, std::string_view key) const {
  const Line* line = FindEntry(section, key);
  if (!line) return std::nullopt;
  if (line->file_bytes.empty()) return std::string(ValueText(line->text, line->value_pos));
  // The key is ASCII and no CP932 byte is "=", so the value starts after the first "=" in the
  // bytes as it does in the decoded text.
  return std::string(ValueText(line->file_bytes, line->file_bytes.find('=') + 1));
}

bool IniFile::AnyName(const std::function<bool(std::string_view)>& wanted) const {
  for (const Line& line : lines_) {
    if (line.kind != Kind::kOther && wanted(line.name)) return true;
  }
  return false;
}

bool IniFile::LooksLikeIni() const {
  bool structured = Blank();
  for (const Line& line : lines_) {
    if (line.text.find('\0') != std::string::npos) return false;
    structured = structured || line.kind != Kind::kOther || Trim(line.text).substr(0, 1) == ";";
  }
  return structured;
}

bool IniFile::Blank() const {
  for (const Line& line : lines_) {
    if (!Trim(line.text).empty()) return false;
  }
  return true;
}

std::string IniFile::GetString(std::string_view section, std::string_view key) const {
  return Get(section, key).value_or(std::string());
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) {
    throw std::invalid_argument("line break in an INI entry");
  }
  // Reading drops surrounding blanks and one pair of enclosing quotes; quoting such a value makes
  // it read back exactly as given.
  std::string written(value);
  if (!value.empty() &&
      (IsBlank(value.front()) || IsBlank(value.back()) || EnclosedInQuotes(value))) {
    written = "\"" + written + "\"";
  }

  size_t header = FindSection(section);
  if (header == lines_.size()) {
    lines_.push_back(ParseLine("[" + std::string(section) + "]"));
    IndexSection(lines_.size() - 1);
    lines_.push_back(ParseLine(std::string(key) + "=" + written));
    return;
  }
  size_t insert_at = header + 1;
  for (size_t i = header + 1; i < lines_.size() && lines_[i].kind != Kind::kSection; ++i) {
    Line& line = lines_[i];
    if (line.kind != Kind::kEntry) continue;
    if (base::EqualsIgnoringAsciiCase(line.name, key)) {
      line = ParseLine(line.name + "=" + written);
      return;
    }
    insert_at = i + 1;
  }
  for (auto& [hash, line] : section_index_) line += line >= insert_at;  // they move down
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert_at),
                ParseLine(std::string(key) + "=" + written));
}

// A line Set wrote into a CP932 file is CP932 too, unless its text has no CP932 form (then UTF-8,
// which reads back all the same) or is no UTF-8 text at all (bytes given as they are, a folder
// named in CP932).
std::string IniFile::LineBytes(const Line& line) const {
  if (!line.file_bytes.empty()) return line.file_bytes;
  if (encoding_ != Encoding::kCp932 || !base::IsValidUtf8(line.text)) return line.text;
  std::string cp932 = base::Utf8ToCp932(line.text);
  return base::Cp932ToUtf8(cp932) == line.text ? cp932 : line.text;
}

std::string IniFile::Serialize() const {
  std::string out;
  if (utf8_bom_) out += kUtf8Bom;
  for (const Line& line : lines_) {
    out += LineBytes(line);
    out += "\r\n";
  }
  if (encoding_ == Encoding::kUtf16Le || encoding_ == Encoding::kUtf16Be) {
    return Utf8ToUtf16(out, encoding_ == Encoding::kUtf16Be);
  }
  return out;
}

void IniFile::Save(const std::string& path) const { base::WriteFileAtomically(path, Serialize()); }

std::optional<int32_t> ParseIniInteger(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    return ParseHex(text.substr(2));
  }
  if (!text.empty() && text[0] == '$') return ParseHex(text.substr(1));
  return base::TryParseInt(text);
}

}  // namespace sheetwright::settings
