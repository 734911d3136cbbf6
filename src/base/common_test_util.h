// Helpers that every test may use, whatever it tests: a message sink that keeps what it is shown,
// a private temporary folder and whole-file reads. Test code
// only; free of GoogleTest, so that the fuzz targets can use them as well.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/messages.h"
#include "platform/files.h"
#include "platform/folders.h"

namespace sheetwright::test_util {

// A relative path written with "/" as this system writes it (Windows: with "\\").
inline std::string Native(std::string path) {
  for (char& c : path) {
    if (c == '/') c = platform::kSeparator;
  }
  return path;
}

class CollectingSink : public base::MessageSink {
 public:
  void Show(const std::string& utf8_text) override {
    messages.push_back(utf8_text);
    places.emplace_back();
  }
  void Report(const base::Message& message) override {
    messages.push_back(message.text);
    places.push_back(message.place);
  }
  std::vector<std::string> messages;
  std::vector<base::Place> places;  // beside each message: where its subject stands
};

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder() {
    std::error_code error;
    path_ = platform::MakeTempFolder(
        (std::filesystem::temp_directory_path() / "sheetwright-test").string(), error);
    if (error) throw std::runtime_error("cannot make a temporary folder: " + error.message());
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string Path(const std::string& relative) const { return path_ + "/" + relative; }
  std::string operator/(const std::string& relative) const { return Path(relative); }

  // Writes `bytes` to path()/relative, creating folders on the way; returns the full path.
  std::string Write(const std::string& relative, const std::string& bytes) const {
    std::string full = Path(relative);
    std::filesystem::create_directories(std::filesystem::path(full).parent_path());
    std::ofstream(full, std::ios::binary) << bytes;
    return full;
  }

 private:
  std::string path_;
};

// The whole file; empty when it cannot be read.
inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace sheetwright::test_util
