// Pictures kept on disk between two passes over many sheets, for a writer that must see every
// sheet before it writes any (a release 12 DXF mosaic: its tables of layers and text styles come
// before the entities and depend on every sheet). Each sheet is converted once, added here, and
// read back one at a time in the same order, so memory holds one sheet's picture, not the town's.
// For a writer that streams sheet by sheet, convert and draw in turn instead.
//
// The bytes are this process's own and never leave it: numbers in the machine's byte order, a
// picture as its counts, its records (a type byte and the fields), its buffers as they are, its
// fonts and its layers, each layer's picture nested in place (one the layers hold twice comes back
// as two equal pictures; a drawing never shares them). The reader trusts none
// of them: every count is checked against the bytes that remain, every enumeration against its
// values, and damaged bytes are an error, never a crash.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "picture/picture.h"

namespace sheetwright::platform {
class ScratchFile;
}

namespace sheetwright::picture {

// Layers nested deeper than this are refused both ways (a sheet's drawing nests one deep).
constexpr int kMaxSpillDepth = 8;

// Appends the bytes of `picture` and its layers to `out`. Throws std::length_error for a picture
// nested deeper than kMaxSpillDepth or a buffer beyond 32-bit counts.
void EncodePicture(const Picture& picture, std::string& out);

// The picture whose bytes are the whole of `bytes`, into `picture`; false (and `picture` in some
// state) when they are not the bytes of one.
bool DecodePicture(std::string_view bytes, Picture& picture);

// A run of pictures in a scratch file beside a drawing, named after it as its temporaries are
// (platform::ScratchFile: a killed run's goes with the next run in that folder), removed when the
// spill is destroyed: after a success, a failure or a stop alike.
class PictureSpill {
 public:
  // The file lies beside `drawing` (beside the end of its links) as "<drawing>.sheets.tmp...".
  // Throws base::ConversionError naming `drawing` when it cannot be made.
  explicit PictureSpill(const std::string& drawing);
  ~PictureSpill();
  PictureSpill(const PictureSpill&) = delete;
  PictureSpill& operator=(const PictureSpill&) = delete;

  // Throws base::ConversionError naming the drawing when the bytes cannot be written (a full disk).
  void Add(const Picture& picture);
  // Ends the adding; Next reads from the first picture added.
  void Rewind();
  // The next picture added, into `picture`. Throws base::ConversionError naming the scratch file
  // when it cannot be read, its bytes are damaged (cut short, changed) or none is left.
  void Next(Picture& picture);

  // The bytes stored so far.
  uint64_t size() const { return size_; }
  const std::string& path() const;

 private:
  [[noreturn]] void Damaged(const std::string& reason) const;

  std::string drawing_;
  std::unique_ptr<platform::ScratchFile> file_;
  std::string bytes_;              // one picture's as written, reused
  std::unique_ptr<char[]> frame_;  // one picture's as read, reused
  uint64_t frame_size_ = 0;
  uint64_t size_ = 0;
  uint64_t read_ = 0;
};

}  // namespace sheetwright::picture
