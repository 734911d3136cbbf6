// The data files of one conversion, each looked up and read at most once. A mesh conversion reads
// some files many times (the premises polygon file by twelve rows, the administrative arc file by
// four steps); the cache hands every reader the same immutable text. One cache belongs to one
// conversion and is dropped with it, so a file changed between two conversions is read afresh.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/messages.h"
#include "mapdata/record_lines.h"

namespace sheetwright::conversion {

class FileCache {
 public:
  // `sink` hears of each data file that is skipped though something stands under its name.
  explicit FileCache(base::MessageSink* sink = nullptr) : sink_(sink) {}

  // The path under which `path` exists (letter case may differ, see FindDataFile), or nullopt.
  // Something under the name that is no regular file (a folder, a FIFO, a device, a dangling
  // link) is skipped too, with the message "<path> を読み飛ばします: <reason>".
  const std::optional<std::string>& Find(const std::string& path);

  // The text of an existing file, read on first use. Throws ConversionError when it cannot be
  // read; a later call tries again.
  std::shared_ptr<const mapdata::FileText> Text(const std::string& found_path);

  int reads() const { return reads_; }

  // Where `at`, an address inside the text of a file read here, stands: that file's path (as
  // found) and its line, 1-based. nullopt for an address outside every text read.
  struct Spot {
    std::string path;
    long line = 0;
  };
  std::optional<Spot> Locate(const char* at);

 private:
  base::MessageSink* sink_;
  std::map<std::string, std::optional<std::string>> found_;
  std::map<std::string, std::shared_ptr<const mapdata::FileText>> texts_;
  // The offsets of each text's line feeds, made at the first message about that text.
  mapdata::LineFinder lines_;
  int reads_ = 0;
};

}  // namespace sheetwright::conversion
