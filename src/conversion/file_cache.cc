#include "conversion/file_cache.h"

#include <algorithm>
#include <functional>

#include "base/encoding.h"
#include "mapdata/mesh_files.h"

namespace sheetwright::conversion {

const std::optional<std::string>& FileCache::Find(const std::string& path) {
  auto it = found_.find(path);
  if (it != found_.end()) return it->second;
  it = found_.emplace(path, mapdata::FindDataFile(path)).first;
  if (!it->second && sink_ != nullptr) {
    if (std::string reason = mapdata::NotAFileReason(path); !reason.empty()) {
      sink_->Show(base::PlatformTextToUtf8(path) + " を読み飛ばします: " + reason);
    }
  }
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

std::optional<FileCache::Spot> FileCache::Locate(const char* at) {
  for (const auto& [path, text] : texts_) {
    if (std::optional<long> line = lines_.LineOf(*text, at)) return Spot{path, *line};
  }
  return std::nullopt;
}

}  // namespace sheetwright::conversion
