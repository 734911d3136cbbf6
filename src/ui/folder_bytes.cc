#include "ui/folder_bytes.h"

#include <QStringList>
#include <system_error>

#include "platform/folders.h"
#include "platform/program.h"
#include "ui/text.h"

namespace sheetwright::ui {
namespace {

bool Exists(const std::string& bytes) {
  return platform::KindOf(bytes) != platform::EntryKind::kNone;
}

// The entry of `folder` that shows as `name`, or "" when there is none.
std::string EntryShownAs(const std::string& folder, const QString& name) {
  std::error_code ec;
  for (const platform::FolderEntry& entry :
       platform::ListFolder(folder.empty() ? std::string(1, platform::kSeparator) : folder, ec)) {
    if (ShownText(entry.name) == name || QString::fromUtf8(entry.name) == name) return entry.name;
  }
  return {};
}

}  // namespace

std::string PathBytes(const QString& shown) {
  // Qt shows "/" for every separator; the path gets the system's own.
  const QStringList parts = shown.split('/');
  std::string bytes;
  bool existing = true;  // every component so far names an entry
  for (qsizetype i = 0; i < parts.size(); ++i) {
    if (i > 0) bytes += platform::kSeparator;
    std::string part = ToUtf8(parts[i]);
    if (existing && !part.empty() && part != "." && part != ".." && !Exists(bytes + part)) {
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
  return !bytes.empty() && platform::KindOf(bytes) == platform::EntryKind::kFolder;
}

bool MakeFolder(const std::string& bytes) {
  for (std::string_view up = bytes; !up.empty() && !Exists(std::string(up));) {
    if (ShownText(std::string(platform::BaseName(up))).contains(QChar::ReplacementCharacter)) {
      return false;
    }
    size_t separator = platform::LastSeparator(up);
    up = separator == std::string_view::npos ? std::string_view() : up.substr(0, separator);
  }
  platform::MakeFolders(bytes);
  return true;
}

}  // namespace sheetwright::ui
