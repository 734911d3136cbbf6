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

#include "picture/text_metrics.h"

typedef struct _cairo_scaled_font cairo_scaled_font_t;

namespace sheetwright::picture {

class FontLibrary : public TextMetrics {
 public:
  FontLibrary();
  ~FontLibrary() override;
  FontLibrary(const FontLibrary&) = delete;
  FontLibrary& operator=(const FontLibrary&) = delete;

  TextExtent Measure(const LabelFont& font, std::string_view cp932_text) override;

  // The fontconfig family a face name stands for after the substitutions above.
  static std::string SubstituteFace(const std::string& face_name);

  // Pixels per em for a label font's height (negative: character height; positive: cell height).
  double PixelSize(const LabelFont& font);

  // The label font at its pixel size with hinted metrics, as labels are laid out (owned by the
  // library; valid for its lifetime). Its status may be an error.
  cairo_scaled_font_t* ScaledFont(const LabelFont& font);

  // How far below a label's top-left anchor its baseline lies, in drawing units: the OS/2
  // "Windows" ascent where the reference platform puts it, else the font's own ascent.
  double Ascent(const LabelFont& font);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace sheetwright::picture
