// Fonts for measuring and rendering labels: a label font's face name goes through the substitutions
// for the reference platform's Japanese faces ("ＭＳ Ｐゴシック" -> IPAPGothic, "ＭＳ ゴシック" ->
// IPAGothic, "ＭＳ Ｐ明朝" -> IPAPMincho, "ＭＳ 明朝" -> IPAMincho, from japanese_faces.h; other
// names as they are) and fontconfig finds the file. A label font of height -h is set at h pixels
// per em; its measured width is the sum of the hinted advances and its height the full cell
// (ascent + descent). Thread-safe: one library serves every conversion of a run.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "drawing/text_metrics.h"

typedef struct _cairo_font_face cairo_font_face_t;

namespace sheetwright::drawing {

class FontLibrary : public TextMetrics {
 public:
  FontLibrary();
  ~FontLibrary() override;
  FontLibrary(const FontLibrary&) = delete;
  FontLibrary& operator=(const FontLibrary&) = delete;

  TextExtent Measure(const LabelFont& font, std::string_view cp932_text) override;

  // The fontconfig family a face name stands for after the substitutions above.
  static std::string SubstituteFace(const std::string& face_name);

  // A Cairo font face for the label font (owned by the library; valid for its lifetime).
  cairo_font_face_t* CairoFace(const LabelFont& font);

  // Pixels per em for a label font's height (negative: character height; positive: cell height).
  double PixelSize(const LabelFont& font);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace sheetwright::drawing
