#include "output/pdf/pdf_file.h"

#include <libdeflate.h>

#include <cstdio>
#include <limits>

#include "base/encoding.h"
#include "base/messages.h"

namespace sheetwright::output {
namespace {

constexpr size_t kChunkBytes = 64 * 1024;
constexpr uint64_t kUnwritten = std::numeric_limits<uint64_t>::max();

}  // namespace

PdfFile::PdfFile(const std::function<void(std::string_view)>& write)
    : write_(write), compressor_(libdeflate_alloc_compressor(1)) {
  if (!compressor_) throw base::ConversionError("out of memory");
  buffer_.reserve(kChunkBytes + 1024);
  // The comment of high bytes tells transfer programs that the file is binary.
  Put("%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
}

PdfFile::~PdfFile() { libdeflate_free_compressor(compressor_); }

int PdfFile::Reserve() {
  offsets_.push_back(kUnwritten);
  return static_cast<int>(offsets_.size());
}

void PdfFile::Object(int number, std::string_view body) {
  offsets_.at(number - 1) = offset_ + buffer_.size();
  Put(std::to_string(number));
  Put(" 0 obj\n");
  Put(body);
  Put("\nendobj\n");
}

void PdfFile::Stream(int number, std::string_view dict, std::string_view data, bool length1) {
  deflated_.resize(libdeflate_zlib_compress_bound(compressor_, data.size()));
  size_t size = libdeflate_zlib_compress(compressor_, data.data(), data.size(), deflated_.data(),
                                         deflated_.size());
  std::string head = "<< /Filter /FlateDecode /Length " + std::to_string(size);
  if (length1) head += " /Length1 " + std::to_string(data.size());
  if (!dict.empty()) head += ' ' + std::string(dict);
  Object(number, head + " >>\nstream\n" + deflated_.substr(0, size) + "\nendstream");
}

void PdfFile::Finish(int root, int info) {
  uint64_t xref = offset_ + buffer_.size();
  Put("xref\n0 " + std::to_string(offsets_.size() + 1) + "\n0000000000 65535 f \n");
  for (uint64_t offset : offsets_) {
    if (offset == kUnwritten) throw base::ConversionError("PDF object reserved but not written");
    char entry[32];
    std::snprintf(entry, sizeof entry, "%010llu 00000 n \n",
                  static_cast<unsigned long long>(offset));
    Put(entry);
  }
  Put("trailer\n<< /Size " + std::to_string(offsets_.size() + 1) + " /Root " +
      std::to_string(root) + " 0 R /Info " + std::to_string(info) + " 0 R >>\nstartxref\n" +
      std::to_string(xref) + "\n%%EOF\n");
  Flush();
}

void PdfFile::Put(std::string_view s) {
  buffer_.append(s);
  if (buffer_.size() >= kChunkBytes) Flush();
}

void PdfFile::Flush() {
  if (buffer_.empty()) return;
  write_(buffer_);
  offset_ += buffer_.size();
  buffer_.clear();
}

std::string PdfTextString(std::string_view utf8) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out = "<FEFF";
  auto unit = [&](uint32_t u) {
    for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(u >> shift) & 15];
  };
  for (char32_t c : base::CodePoints(utf8)) {
    if (c >= 0x10000) {
      unit(0xD800 + ((c - 0x10000) >> 10));
      unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      unit(c);
    }
  }
  return out + ">";
}

}  // namespace sheetwright::output
