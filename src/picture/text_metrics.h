// Measuring label text against a 96-dpi screen (96 pixels per inch). Behind an interface so
// that tests can use fixed metrics; the real one is FreeType through fontconfig (font_library.h).
#pragma once

#include <cstdint>
#include <string_view>

#include "picture/label_font.h"

namespace sheetwright::picture {

struct TextExtent {
  int32_t width = 0;   // sum of the advances, drawing units
  int32_t height = 0;  // the full character cell (ascent + descent), drawing units
};

class TextMetrics {
 public:
  virtual ~TextMetrics() = default;
  // `text` is label bytes in CP932. Must be safe to call from several conversions at once.
  virtual TextExtent Measure(const LabelFont& font, std::string_view text) = 0;
};

}  // namespace sheetwright::picture
