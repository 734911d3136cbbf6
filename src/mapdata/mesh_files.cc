#include "mapdata/mesh_files.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "base/ascii.h"
#include "mapdata/map_format.h"
#include "platform/files.h"
#include "platform/folders.h"

namespace sheetwright::mapdata {
namespace {

using platform::EntryKind;

bool IsRegularFile(const std::string& path) { return platform::KindOf(path) == EntryKind::kFile; }

bool IsFolder(const std::string& path) { return platform::KindOf(path) == EntryKind::kFolder; }

// The entries of `folder` equal to `name` without regard to ASCII letter case. The exact
// spelling comes first, the rest in byte order, so that the choice does not depend on the order
// in which the file system lists a folder.
std::vector<std::string> MatchingEntries(const std::string& folder, std::string_view name) {
  std::vector<std::string> found;
  std::error_code error;
  for (platform::FolderEntry& entry : platform::ListFolder(folder, error)) {
    if (base::EqualsIgnoringAsciiCase(entry.name, name)) found.push_back(std::move(entry.name));
  }
  std::sort(found.begin(), found.end(), [&](const std::string& a, const std::string& b) {
    if ((a == name) != (b == name)) return a == name;
    return a < b;
  });
  return found;
}

}  // namespace

MeshFiles FileSet(const std::string& mesh_folder) {
  // The folder is used exactly as given, then a separator: a trailing one doubles it, which every
  // file system here accepts.
  MeshFiles f;
  for (const format::DataFile& file : format::kDataFiles) {
    std::string relative = file.RelativePath();
    if (platform::kSeparator != '/')
      std::replace(relative.begin(), relative.end(), '/', platform::kSeparator);
    f.*file.member = mesh_folder + platform::kSeparator + relative;
  }
  return f;
}

std::optional<std::string> FindDataFile(const std::string& path) {
  // A file system that ignores letter case finds any spelling: the entry's own is looked up.
  if (!platform::kIgnoresLetterCase && IsRegularFile(path)) return path;
  // A folder we may not search can hide the file: let the read fail and say why (not a skip).
  if (std::error_code error;
      platform::KindOf(path, &error) == EntryKind::kNone && error == std::errc::permission_denied) {
    return path;
  }
  // Split into <base>/<theme>/<file>; <base> (the mesh folder) is taken as written, with its
  // trailing separator, so that a found path keeps the caller's spelling of it.
  size_t file_slash = platform::LastSeparator(path);
  if (file_slash == std::string::npos) {
    for (const std::string& name : MatchingEntries("", path)) {
      if (IsRegularFile(name)) return name;
    }
    return std::nullopt;
  }
  std::string_view file_name = std::string_view(path).substr(file_slash + 1);
  size_t theme_slash = file_slash == 0
                           ? std::string::npos
                           : platform::LastSeparator(std::string_view(path).substr(0, file_slash));
  std::string base = theme_slash == std::string::npos ? "" : path.substr(0, theme_slash + 1);
  std::string_view theme = std::string_view(path).substr(base.size(), file_slash - base.size());
  std::vector<std::string> themes;
  if (theme.empty() || theme == "." || theme == "..") {
    themes.emplace_back(theme);  // "/file", "mesh//file", "./file": nothing to match
  } else {
    themes = MatchingEntries(base, theme);
  }
  for (const std::string& t : themes) {
    std::string folder = base + t;
    if (!t.empty() && !IsFolder(folder)) continue;
    std::string prefix = base + t + platform::kSeparator;
    for (const std::string& name : MatchingEntries(prefix, file_name)) {
      std::string candidate = prefix + name;
      if (IsRegularFile(candidate)) return candidate;
    }
  }
  return std::nullopt;
}

std::string NotAFileReason(const std::string& path) {
  switch (platform::KindOf(path)) {
    case platform::EntryKind::kFile:
      return {};
    case platform::EntryKind::kFolder:
      return "フォルダです";
    case platform::EntryKind::kOther:
      return "特殊ファイルです";
    case platform::EntryKind::kNone:
      break;
  }
  // Nothing there: a link whose target is gone is told, a missing file is not.
  return platform::LinkTarget(path) != path ? "リンク先がありません" : "";
}

}  // namespace sheetwright::mapdata
