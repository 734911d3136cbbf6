#include "ui/folder_bytes.h"

#include <QStringList>
#include <filesystem>
#include <system_error>

#include "ui/text.h"

namespace sheetwright::ui {
namespace {

namespace fs = std::filesystem;

// The entry of `folder` that shows as `name`, or "" when there is none.
std::string EntryShownAs(const std::string& folder, const QString& name) {
  std::error_code ec;
  for (fs::directory_iterator it(folder.empty() ? "/" : folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::string entry = it->path().filename().native();
    if (ShownText(entry) == name || QString::fromUtf8(entry) == name) return entry;
  }
  return {};
}

}  // namespace

std::string PathBytes(const QString& shown) {
  const QStringList parts = shown.split('/');
  std::string bytes;
  bool existing = true;  // every component so far names an entry
  for (qsizetype i = 0; i < parts.size(); ++i) {
    if (i > 0) bytes += '/';
    std::string part = ToUtf8(parts[i]);
    std::error_code ec;
    if (existing && !part.empty() && part != "." && part != ".." &&
        !fs::exists(fs::path(bytes + part), ec)) {
      std::string entry = EntryShownAs(bytes, parts[i]);
      if (entry.empty()) {
        existing = false;
      } else {
        part = entry;
      }
    }
    bytes += part;
  }
  return bytes;
}

bool IsFolder(const std::string& bytes) {
  std::error_code ec;
  return !bytes.empty() && fs::is_directory(fs::path(bytes), ec);
}

bool MakeFolder(const std::string& bytes) {
  fs::path path(bytes);
  std::error_code ec;
  for (fs::path up = path; !up.empty() && !fs::exists(up, ec); up = up.parent_path()) {
    if (ShownText(up.filename().native()).contains(QChar::ReplacementCharacter)) return false;
    if (up == up.parent_path()) break;
  }
  fs::create_directories(path, ec);
  return true;
}

}  // namespace sheetwright::ui
