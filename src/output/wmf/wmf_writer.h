// Stores a sheet picture as a placeable Windows Metafile: the 22-byte placeable header, then the
// standard metafile with the 20000 x 15000 frame mapped onto the header's bounding box.
#pragma once

#include <string>

#include "base/messages.h"
#include "picture/picture.h"

namespace sheetwright::output {

// The size the picture is shown at, in pixels of a 96-dpi screen; it sets only the
// placeable header's bounding box.
struct NominalSize {
  int width = 400;
  int height = 300;
};

// The whole file as bytes. Long polylines are split, coordinates are clamped to 16 bits. A figure
// that one record cannot hold (a fill of more than 32767 points, a text of more than 32767 bytes)
// is left out of the file, and `sink` is told which: the rest of the sheet is still worth having,
// and the other formats draw the figure whole.
std::string EncodeWmf(const picture::Picture& sheet, NominalSize size, base::MessageSink& sink);

// EncodeWmf for callers that want the bytes alone: figures left out are told to no one.
std::string EncodeWmf(const picture::Picture& sheet, NominalSize size);

// Writes EncodeWmf's bytes to `path` atomically: an existing file is replaced only once the new one
// is complete. Throws ConversionError ("<path> に書き込めません: <reason>") on failure.
void StoreWmf(const picture::Picture& sheet, NominalSize size, const std::string& path);

}  // namespace sheetwright::output
