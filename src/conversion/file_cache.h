// The data files of one conversion, each looked up and read at most once. A mesh conversion reads
// some files many times (the premises polygon file by twelve rows, the administrative arc file by
// four steps); the cache hands every reader the same immutable text. One cache belongs to one
// conversion and is dropped with it, so a file changed between two conversions is read afresh.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "mapdata/record_lines.h"

namespace sheetwright::conversion {

class FileCache {
 public:
  // The path under which `path` exists (letter case may differ, see FindDataFile), or nullopt.
  const std::optional<std::string>& Find(const std::string& path);

  // The text of an existing file, read on first use. Throws ConversionError when it cannot be
  // read; a later call tries again.
  std::shared_ptr<const mapdata::FileText> Text(const std::string& found_path);

  int reads() const { return reads_; }

 private:
  std::map<std::string, std::optional<std::string>> found_;
  std::map<std::string, std::shared_ptr<const mapdata::FileText>> texts_;
  int reads_ = 0;
};

}  // namespace sheetwright::conversion
