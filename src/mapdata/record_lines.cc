#include "mapdata/record_lines.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <system_error>

#include "base/encoding.h"
#include "base/messages.h"
#include "platform/files.h"

namespace sheetwright::mapdata {

FileText::FileText(std::string bytes, std::string path)
    : bytes_(std::move(bytes)), path_(std::move(path)) {
  length_ = std::min(bytes_.find('\x1A'), bytes_.size());
}

std::shared_ptr<const FileText> FileText::Read(const std::string& path) {
  try {
    return std::make_shared<const FileText>(platform::ReadWholeFile(path), path);
  } catch (const std::system_error& e) {
    throw base::ConversionError::Unreadable(base::PlatformTextToUtf8(path),
                                            std::strerror(e.code().value()));
  }
}

std::optional<long> LineFinder::LineOf(const FileText& file, const char* at) {
  std::string_view bytes = file.text();
  std::less_equal<const char*> not_after;
  if (!not_after(bytes.data(), at) || !not_after(at, bytes.data() + bytes.size())) {
    return std::nullopt;
  }
  std::vector<size_t>& ends = ends_[&file];
  if (ends.empty()) {
    for (size_t i = bytes.find('\n'); i != std::string_view::npos; i = bytes.find('\n', i + 1)) {
      ends.push_back(i);
    }
  }
  const size_t offset = static_cast<size_t>(at - bytes.data());
  return std::lower_bound(ends.begin(), ends.end(), offset) - ends.begin() + 1;
}

}  // namespace sheetwright::mapdata
