#include "conversion/mesh_folders.h"

#include <algorithm>
#include <system_error>

#include "base/ascii.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "platform/folders.h"

namespace sheetwright::conversion {

bool MeshNameLess(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto ca = static_cast<unsigned char>(base::AsciiLower(a[i]));
    auto cb = static_cast<unsigned char>(base::AsciiLower(b[i]));
    if (ca != cb) return ca < cb;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

std::vector<std::string> ListMeshes(const std::string& input_folder, std::error_code* error) {
  std::vector<std::string> names;
  std::error_code ec;
  for (platform::FolderEntry& entry : platform::ListFolder(input_folder, ec)) {
    if (entry.name[0] == '.' || entry.kind != platform::EntryKind::kFolder) continue;
    names.push_back(std::move(entry.name));
  }
  if (error) *error = ec;
  if (ec) return {};
  std::sort(names.begin(), names.end(), MeshNameLess);
  return names;
}

void CheckMeshFolder(const std::string& folder) {
  std::error_code error;
  platform::ListFolder(folder, error);
  if (error)
    throw base::ConversionError::Unreadable(base::PlatformTextToUtf8(folder), error.message());
}

}  // namespace sheetwright::conversion
