#include "base/atomic_file.h"

#include <string>
#include <system_error>

#include "base/encoding.h"
#include "base/messages.h"

namespace sheetwright::base {
namespace {

// Runs a step of the platform's replacement, turning its failure into the conversion's error.
template <typename Step>
void Guarded(const std::string& path, Step step) {
  try {
    step();
  } catch (const std::system_error& e) {
    throw ConversionError::Unwritable(PlatformTextToUtf8(path), e.code().message());
  }
}

}  // namespace

AtomicFile::AtomicFile(std::string path) {
  Guarded(path, [&] { file_ = std::make_unique<platform::AtomicFile>(path); });
}

AtomicFile::~AtomicFile() = default;

void AtomicFile::Write(std::string_view bytes) {
  Guarded(file_->shown(), [&] { file_->Write(bytes); });
}

void AtomicFile::Close() {
  Guarded(file_->shown(), [&] { file_->Close(); });
}

void AtomicFile::Commit() {
  Guarded(file_->shown(), [&] { file_->Commit(); });
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  AtomicFile file(path);
  file.Write(bytes);
  file.Commit();
}

void WriteFileInPlace(const std::string& path, std::string_view bytes) {
  Guarded(path, [&] { platform::WriteFileInPlace(path, bytes); });
}

void ReplaceWith(const std::string& temp, const std::string& path) {
  if (std::error_code error = platform::ReplaceWith(temp, path)) {
    throw ConversionError::Unwritable(PlatformTextToUtf8(path), error.message());
  }
}

}  // namespace sheetwright::base
