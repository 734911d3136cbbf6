#include "conversion/mesh_folders.h"

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/ascii.h"
#include "base/encoding.h"
#include "base/messages.h"

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
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(input_folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.empty() || name[0] == '.') continue;
    std::error_code type_ec;
    if (!it->is_directory(type_ec)) continue;
    names.push_back(std::move(name));
  }
  if (error) *error = ec;
  if (ec) return {};
  std::sort(names.begin(), names.end(), MeshNameLess);
  return names;
}

void CheckMeshFolder(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) {
    throw base::ConversionError::Unreadable(base::PlatformTextToUtf8(folder), std::strerror(errno));
  }
  ::closedir(dir);
}

}  // namespace sheetwright::conversion
