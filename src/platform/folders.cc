// The parts of folders.h that are the same on every system: joining and splitting paths.
#include "platform/folders.h"

namespace sheetwright::platform {

bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '/' || c == '\\';
#else
  return c == '/';
#endif
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && !IsSeparator(path.back())) path += kSeparator;
  path += name;
  return path;
}

size_t LastSeparator(std::string_view path) {
  for (size_t i = path.size(); i-- > 0;) {
    if (IsSeparator(path[i])) return i;
  }
  return std::string_view::npos;
}

std::string_view BaseName(std::string_view path) {
  size_t at = LastSeparator(path);
  return at == std::string_view::npos ? path : path.substr(at + 1);
}

std::string RelativeTo(std::string_view folder, std::string_view path) {
  std::string inside(folder);
  if (inside.empty() || !IsSeparator(inside.back())) inside += kSeparator;
  if (path.substr(0, inside.size()) == inside) path.remove_prefix(inside.size());
  return std::string(path);
}

std::string_view ExtensionOf(std::string_view path) {
  std::string_view name = BaseName(path);
  size_t dot = name.rfind('.');
  return dot == std::string_view::npos || dot == 0 ? std::string_view{} : name.substr(dot);
}

}  // namespace sheetwright::platform
