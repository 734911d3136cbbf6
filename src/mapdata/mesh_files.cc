#include "mapdata/mesh_files.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <vector>

#include "base/ascii.h"
#include "mapdata/map_format.h"

namespace sheetwright::mapdata {
namespace {

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The entries of `folder` equal to `name` without regard to ASCII letter case. The exact
// spelling comes first, the rest in byte order, so that the choice does not depend on the order
// in which the file system lists a folder.
std::vector<std::string> MatchingEntries(const std::string& folder, std::string_view name) {
  std::vector<std::string> found;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return found;
  while (const dirent* entry = ::readdir(dir)) {
    std::string_view entry_name = entry->d_name;
    if (entry_name == "." || entry_name == "..") continue;
    if (base::EqualsIgnoringAsciiCase(entry_name, name)) found.emplace_back(entry_name);
  }
  ::closedir(dir);
  std::sort(found.begin(), found.end(), [&](const std::string& a, const std::string& b) {
    if ((a == name) != (b == name)) return a == name;
    return a < b;
  });
  return found;
}

}  // namespace

MeshFiles FileSet(const std::string& mesh_folder) {
  // The folder is used exactly as given, then a separator: a trailing "/" doubles it, which this
  // platform's file system accepts.
  MeshFiles f;
  for (const format::DataFile& file : format::kDataFiles) {
    f.*file.member = mesh_folder + "/" + file.RelativePath();
  }
  return f;
}

std::optional<std::string> FindDataFile(const std::string& path) {
  if (IsRegularFile(path)) return path;
  // A folder we may not search can hide the file: let the read fail and say why (not a skip).
  if (struct stat st{}; ::stat(path.c_str(), &st) != 0 && errno == EACCES) return path;
  // Split into <base>/<theme>/<file>; <base> (the mesh folder) is taken as written, with its
  // trailing separator, so that a found path keeps the caller's spelling of it.
  size_t file_slash = path.rfind('/');
  if (file_slash == std::string::npos) {
    for (const std::string& name : MatchingEntries("", path)) {
      if (IsRegularFile(name)) return name;
    }
    return std::nullopt;
  }
  std::string_view file_name = std::string_view(path).substr(file_slash + 1);
  size_t theme_slash = file_slash == 0 ? std::string::npos : path.rfind('/', file_slash - 1);
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
    std::string prefix = base + t + "/";
    for (const std::string& name : MatchingEntries(prefix, file_name)) {
      std::string candidate = prefix + name;
      if (IsRegularFile(candidate)) return candidate;
    }
  }
  return std::nullopt;
}

std::string NotAFileReason(const std::string& path) {
  struct stat link {};
  if (::lstat(path.c_str(), &link) != 0) return {};
  struct stat target {};
  if (::stat(path.c_str(), &target) != 0)
    return S_ISLNK(link.st_mode) ? "リンク先がありません" : "";
  if (S_ISREG(target.st_mode)) return {};
  return S_ISDIR(target.st_mode) ? "フォルダです" : "特殊ファイルです";
}

}  // namespace sheetwright::mapdata
