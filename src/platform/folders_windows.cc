#include "platform/folders.h"
#include "platform/wide_windows.h"

namespace sheetwright::platform {
namespace {

EntryKind KindOfAttributes(DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return EntryKind::kFolder;
  if (attributes & FILE_ATTRIBUTE_DEVICE) return EntryKind::kOther;
  return EntryKind::kFile;
}

}  // namespace

EntryKind KindOf(const std::string& path, std::error_code* error) {
  DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (error) error->clear();
    return KindOfAttributes(attributes);
  }
  DWORD code = GetLastError();
  bool missing = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
                 code == ERROR_INVALID_NAME || code == ERROR_BAD_NETPATH;
  if (error) *error = missing ? std::error_code() : LastError(code);
  return EntryKind::kNone;
}

std::vector<FolderEntry> ListFolder(const std::string& folder, std::error_code& error) {
  std::vector<FolderEntry> entries;
  WIN32_FIND_DATAW found;
  HANDLE search =
      FindFirstFileExW(Wide(JoinPath(folder.empty() ? "." : folder, "*")).c_str(), FindExInfoBasic,
                       &found, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE) {
    error = LastError();
    return entries;
  }
  error.clear();
  do {
    std::wstring_view name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    entries.push_back({Narrow(name), KindOfAttributes(found.dwFileAttributes)});
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return entries;
}

}  // namespace sheetwright::platform
