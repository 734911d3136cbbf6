// The label fonts of a PDF document: each font file's face that labels are drawn with becomes one
// composite font, embedded once as a subset of the glyphs used (HarfBuzz's subsetter, glyph ids
// kept). Characters get their own codes (CIDs) in order of first use, so that a ToUnicode map can
// give back every character exactly as the label data decodes it, even where one glyph serves
// several characters ("～" U+FF5E and "〜" U+301C in many Japanese faces).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "picture/font_library.h"

namespace sheetwright::output {

class PdfFile;

class PdfFonts {
 public:
  explicit PdfFonts(PdfFile& file);
  ~PdfFonts();
  PdfFonts(const PdfFonts&) = delete;
  PdfFonts& operator=(const PdfFonts&) = delete;

  // The font of `face` (its resource is "/F" followed by the number), or -1 when its file
  // cannot be read.
  int Font(const picture::LabelFace& face);
  // The code of a character of font `font` drawn with glyph `glyph`, and the glyph's advance in
  // thousandths of an em, as the embedded font tells readers.
  struct Code {
    uint16_t cid = 0;
    int width = 0;
  };
  Code Char(int font, char32_t code, uint32_t glyph);
  // The object number of font `font`, reserved at its first use.
  int Object(int font) const;
  size_t size() const { return fonts_.size(); }
  // Writes every font with its subset, widths and maps.
  void Write();

 private:
  struct Face;
  void WriteFace(Face& face);

  PdfFile& file_;
  std::vector<std::unique_ptr<Face>> fonts_;
  std::unordered_map<const picture::LabelFace*, int> by_face_;
  std::unordered_map<std::string, int> by_file_;  // file and face index
};

}  // namespace sheetwright::output
