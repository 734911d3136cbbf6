// The file structure of a PDF document written front to back: numbered objects handed on as they
// are made, streams compressed at deflate's fastest level, and at the end the cross-reference
// table and trailer. Objects may refer to numbers reserved before they are written, so a content
// stream can name what is only written after it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct libdeflate_compressor;

namespace sheetwright::output {

class PdfFile {
 public:
  // `write` receives the document in chunks of about 64 KB, in order.
  explicit PdfFile(const std::function<void(std::string_view)>& write);
  ~PdfFile();
  PdfFile(const PdfFile&) = delete;
  PdfFile& operator=(const PdfFile&) = delete;

  // A new object number, to be written once.
  int Reserve();
  // Writes object `number` with the given body ("<< ... >>", "[...]").
  void Object(int number, std::string_view body);
  // Writes object `number` as a stream, deflated; `dict` holds the dictionary's other entries.
  // `length1` adds /Length1 (the data's own length, as font programs carry it).
  void Stream(int number, std::string_view dict, std::string_view data, bool length1 = false);
  // Writes the cross-reference table and the trailer naming `root` and `info`, and hands on the
  // rest of the document. Throws ConversionError when an object was reserved and never written.
  void Finish(int root, int info);

 private:
  void Put(std::string_view s);
  void Flush();

  const std::function<void(std::string_view)>& write_;
  std::string buffer_;
  uint64_t offset_ = 0;            // bytes handed on before buffer_
  std::vector<uint64_t> offsets_;  // of object i + 1; UINT64_MAX while only reserved
  libdeflate_compressor* compressor_;
  std::string deflated_;
};

// `text` as a PDF text string: UTF-16BE with its byte order mark, in hex.
std::string PdfTextString(std::string_view utf8);

}  // namespace sheetwright::output
