#include "mapdata/record_lines.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
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

}  // namespace sheetwright::mapdata
