// Helpers shared by the map data tests: a message sink that collects, files in a private temporary
// folder, and a FileText made straight from bytes. Test code only.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "mapdata/messages.h"
#include "mapdata/record_lines.h"

namespace sheetwright::mapdata::testing {

class CollectingSink : public MessageSink {
 public:
  void Show(const std::string& utf8_text) override { messages.push_back(utf8_text); }
  std::vector<std::string> messages;
};

inline std::shared_ptr<const FileText> Text(std::string bytes) {
  return std::make_shared<const FileText>(std::move(bytes));
}

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "sheetwright-mapdata-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

  // Writes `bytes` to path()/relative, creating folders on the way; returns the full path.
  std::string Write(const std::string& relative, const std::string& bytes) const {
    std::filesystem::path full = std::filesystem::path(path_) / relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary) << bytes;
    return full.string();
  }

 private:
  std::string path_;
};

}  // namespace sheetwright::mapdata::testing
