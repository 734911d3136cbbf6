// Stores a sheet picture as a placeable Windows Metafile: the 22-byte placeable header, then the
// standard metafile with the 20000 x 15000 frame mapped onto the header's bounding box.
#pragma once

#include <string>

#include "drawing/picture.h"

namespace sheetwright::drawing {

// The size the picture is shown at, in pixels of the 96-dpi reference screen; it sets only the
// placeable header's bounding box.
struct NominalSize {
  int width = 400;
  int height = 300;
};

// The whole file as bytes. Throws ConversionError when a fill cannot be stored whole (more points
// than one record holds); long polylines are split, coordinates are clamped to 16 bits.
std::string EncodeWmf(const Picture& sheet, NominalSize size);

// Writes EncodeWmf's bytes to `path` atomically: an existing file is replaced only once the new one
// is complete. Throws ConversionError ("<path> に書き込めません: <reason>") on failure.
void StoreWmf(const Picture& sheet, NominalSize size, const std::string& path);

}  // namespace sheetwright::drawing
