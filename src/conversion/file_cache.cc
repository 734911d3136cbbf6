#include "conversion/file_cache.h"

#include "mapdata/mesh_files.h"

namespace sheetwright::conversion {

const std::optional<std::string>& FileCache::Find(const std::string& path) {
  auto it = found_.find(path);
  if (it == found_.end()) it = found_.emplace(path, mapdata::FindDataFile(path)).first;
  return it->second;
}

std::shared_ptr<const mapdata::FileText> FileCache::Text(const std::string& found_path) {
  auto it = texts_.find(found_path);
  if (it != texts_.end()) return it->second;
  auto text = mapdata::FileText::Read(found_path);
  ++reads_;
  texts_.emplace(found_path, text);
  return text;
}

}  // namespace sheetwright::conversion
