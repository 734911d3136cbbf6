// Fonts for measuring and rendering labels: a label font's face name goes through the substitutions
// for the Windows Japanese faces ("ＭＳ Ｐゴシック" -> IPAPGothic, "ＭＳ ゴシック" ->
// IPAGothic, "ＭＳ Ｐ明朝" -> IPAPMincho, "ＭＳ 明朝" -> IPAMincho, from japanese_faces.h; other
// names as they are) and fontconfig finds the file. A label font of height -h is set at h pixels
// per em; its measured width is the sum of the hinted advances and its height the full cell
// (ascent + descent). A character the label's face lacks comes from the Japanese stand-in
// (IPAPGothic, same weight and slant) and is measured with it; control characters are left out
// (label_text.h). Thread-safe: one library serves every conversion of a run, which measure at
// once under a shared lock once their faces, sizes and characters are known.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "picture/text_metrics.h"

typedef struct _cairo_scaled_font cairo_scaled_font_t;

namespace sheetwright::picture {

// The face that stands in for any name fontconfig does not know and draws the characters a label
// face lacks: Windows' default Japanese proportional face (ＭＳ Ｐゴシック), so labels stay
// readable whatever the settings file says.
inline constexpr const char* kJapaneseFallbackFamily = "IPAPGothic";

// A font file's face as a label is drawn with it.
struct LabelFace {
  std::string file;       // the font file; empty when fontconfig found none
  int index = 0;          // of the face in the file
  bool embolden = false;  // bold drawn by thickening the upright face
  bool oblique = false;   // italic drawn by slanting the upright face
};

// One character of a label: which face draws it (0 the label's, 1 the stand-in), its glyph
// there (0 when neither face has it: the label face's missing-glyph box) and its advance.
struct LabelGlyph {
  char32_t code = 0;
  uint8_t face = 0;
  uint32_t glyph = 0;
  int32_t advance = 0;  // drawing units
};

// A label laid out: its glyphs left to right and the faces and metrics they are drawn with, in
// drawing units.
struct LabelLayout {
  const LabelFace* faces[2] = {};       // owned by the library
  cairo_scaled_font_t* scaled[2] = {};  // the faces at ppem with hinted metrics; owned too
  double ppem = 0;
  double ascent = 0;              // the baseline below the top-left anchor
  double underline_position = 0;  // below the baseline
  double strike_position = 0;     // above the baseline
  double line_thickness = 1;
  TextExtent extent;
  std::vector<LabelGlyph> glyphs;
};

class FontLibrary : public TextMetrics {
 public:
  FontLibrary();
  ~FontLibrary() override;
  FontLibrary(const FontLibrary&) = delete;
  FontLibrary& operator=(const FontLibrary&) = delete;

  TextExtent Measure(const LabelFont& font, std::string_view cp932_text) override;

  // The label's characters and how they are drawn; its extent is what Measure gives.
  LabelLayout Layout(const LabelFont& font, std::string_view cp932_text);

  // The fontconfig family a face name stands for after the substitutions above.
  static std::string SubstituteFace(const std::string& face_name);

  // Pixels per em for a label font's height (negative: character height; positive: cell height).
  double PixelSize(const LabelFont& font);

  // The label font at its pixel size with hinted metrics, as labels are laid out (owned by the
  // library; valid for its lifetime). Its status may be an error.
  cairo_scaled_font_t* ScaledFont(const LabelFont& font);

  // How far below a label's top-left anchor its baseline lies, in drawing units: the OS/2
  // "Windows" ascent where GDI puts it, else the font's own ascent.
  double Ascent(const LabelFont& font);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace sheetwright::picture
