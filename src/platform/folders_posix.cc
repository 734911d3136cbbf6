#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/folders.h"

namespace sheetwright::platform {
namespace {

EntryKind KindOfMode(mode_t mode) {
  return S_ISREG(mode) ? EntryKind::kFile : S_ISDIR(mode) ? EntryKind::kFolder : EntryKind::kOther;
}

}  // namespace

EntryKind KindOf(const std::string& path, std::error_code* error) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (error) error->clear();
    return KindOfMode(st.st_mode);
  }
  if (error) {
    *error = errno == ENOENT ? std::error_code() : std::error_code(errno, std::generic_category());
  }
  return EntryKind::kNone;
}

std::vector<FolderEntry> ListFolder(const std::string& folder, std::error_code& error) {
  std::vector<FolderEntry> entries;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) {
    error = std::error_code(errno, std::generic_category());
    return entries;
  }
  error.clear();
  while (const dirent* entry = ::readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    // The entry's type as the folder records it; a link or an unknown type costs a stat.
    EntryKind kind = entry->d_type == DT_REG   ? EntryKind::kFile
                     : entry->d_type == DT_DIR ? EntryKind::kFolder
                     : entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN
                         ? KindOf(JoinPath(folder.empty() ? "." : folder, name))
                         : EntryKind::kOther;
    entries.push_back({std::string(name), kind});
  }
  ::closedir(dir);
  return entries;
}

}  // namespace sheetwright::platform
