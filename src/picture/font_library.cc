#include "picture/font_library.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <unordered_map>
#include <utility>

#include "picture/japanese_faces.h"
#include "picture/label_text.h"

namespace sheetwright::picture {
namespace {

constexpr const char* kFallbackFamily = kJapaneseFallbackFamily;

// Pixels per em for a font height of 0 (GDI's "default size"); the font
// dialogs start at 12 pixels, so that is what an unset height means here too.
constexpr double kDefaultPixelSize = 12;
// Larger sizes are clamped: FreeType refuses sizes above 0xFFFF, and nothing on a 15000-unit
// sheet needs more.
constexpr double kMaxPixelSize = 16384;

// Names that fontconfig resolves through its own aliases; whatever it picks for them is right.
constexpr std::array<const char*, 6> kGenericFamilies = {"sans-serif", "serif", "monospace",
                                                         "sans",       "mono",  "system-ui"};

int32_t ClampToInt32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// A character's glyph in one face (0: the face lacks it) and its hinted advance in whole pixels.
struct CharEntry {
  uint32_t glyph = 0;
  int32_t advance = 0;
};

// Metrics of one face at one whole pixel size.
struct SizeEntry {
  int32_t ascent = 0;
  int32_t descent = 0;
  std::unordered_map<char32_t, CharEntry> chars;
  cairo_scaled_font_t* scaled = nullptr;  // made on first use, with the baseline
  double baseline = 0;
};

// The baseline below the top of the cell. Without a usable OS/2 table (or without a font file at
// all) the scaled font's ascent stands in, and 0.88 em when even that font failed.
double BaselineOffset(cairo_scaled_font_t* scaled, double ppem) {
  if (cairo_scaled_font_status(scaled) != CAIRO_STATUS_SUCCESS) return std::round(ppem * 0.88);
  cairo_font_extents_t extents;
  cairo_scaled_font_extents(scaled, &extents);
  double ascent = std::round(extents.ascent);
  if (FT_Face ft = cairo_ft_scaled_font_lock_face(scaled)) {
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent > 0) {
      double scale = ppem / ft->units_per_EM;
      ascent = std::round(os2->usWinAscent * scale);
    }
    cairo_ft_scaled_font_unlock_face(scaled);
  }
  return ascent;
}

// One face (family and bold/italic), as fontconfig resolved it.
struct FaceEntry {
  FT_Face face = nullptr;              // null when fontconfig found no font file at all
  cairo_font_face_t* cairo = nullptr;  // always set
  LabelFace info;                      // embolden: synthetic bold, as fontconfig asked for
  int32_t cell_units = 0;              // ascent + descent of the cell in font units
  int32_t ascent_units = 0;
  // Underline (below the baseline) and strike-out (above it) in font units; 0: not given.
  int32_t underline_units = 0, line_units = 0, strike_units = 0;
  std::map<int32_t, SizeEntry> sizes;  // by pixels per em
};

// The cell, underline and strike-out of a face in font units.
void ReadCellMetrics(FaceEntry& entry) {
  // GDI's cell is the OS/2 "Windows" ascent and descent; fonts
  // without that table use the horizontal header.
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(entry.face, FT_SFNT_OS2));
  if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    entry.ascent_units = os2->usWinAscent;
    entry.cell_units = os2->usWinAscent + os2->usWinDescent;
  } else {
    entry.ascent_units = entry.face->ascender;
    entry.cell_units = entry.face->ascender - entry.face->descender;
  }
  if (entry.cell_units <= 0) {
    entry.ascent_units = entry.face->units_per_EM;
    entry.cell_units = entry.face->units_per_EM;
  }
  if (entry.face->underline_thickness > 0) {
    entry.line_units = entry.face->underline_thickness;
    entry.underline_units = -entry.face->underline_position;
  }
  if (os2 && os2->version != 0xFFFF && os2->yStrikeoutPosition > 0) {
    entry.strike_units = os2->yStrikeoutPosition;
  }
}

bool FamilyMatches(FcPattern* match, const std::string& family) {
  FcChar8* value = nullptr;
  for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &value) == FcResultMatch; ++i) {
    if (FcStrCmpIgnoreCase(value, reinterpret_cast<const FcChar8*>(family.c_str())) == 0) {
      return true;
    }
  }
  return false;
}

bool IsGeneric(const std::string& family) {
  for (const char* g : kGenericFamilies) {
    if (FcStrCmpIgnoreCase(reinterpret_cast<const FcChar8*>(g),
                           reinterpret_cast<const FcChar8*>(family.c_str())) == 0) {
      return true;
    }
  }
  return false;
}

// The fontconfig match for a family and style, render-prepared (synthetic bold and oblique
// already decided). Null when fontconfig has nothing at all.
FcPattern* MatchFont(const std::string& family, uint8_t style) {
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, (style & kBold) ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, (style & kItalic) ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  // Labels are Japanese: among the fallbacks of a generic name prefer a face that covers it.
  FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  return match;
}

}  // namespace

// Every face, size and character is looked up under a shared lock, so that conversions on
// several threads measure their labels at once; only the first use of one takes the lock alone
// to add it. Each lookup below that may add says so with `add`: without it (shared lock held)
// it answers null for what is not there yet.
struct FontLibrary::Impl {
  std::shared_mutex mutex;
  FT_Library library = nullptr;
  std::map<std::pair<std::string, uint8_t>, FaceEntry> faces;

  ~Impl() {
    for (auto& [key, entry] : faces) {
      for (auto& [ppem, size] : entry.sizes) {
        if (size.scaled) cairo_scaled_font_destroy(size.scaled);
      }
      cairo_font_face_destroy(entry.cairo);
      if (entry.face) FT_Done_Face(entry.face);
    }
    if (library) FT_Done_FreeType(library);
  }

  FaceEntry* Face(const LabelFont& font, bool add) {
    uint8_t style = font.style & (kBold | kItalic);
    auto key = std::make_pair(font.face_name, style);
    if (auto it = faces.find(key); it != faces.end()) return &it->second;
    if (!add) return nullptr;

    // A Japanese system face is used itself where it is installed (Windows has ＭＳ ゴシック in
    // msgothic.ttc, named in Japanese and in English), else its stand-in.
    std::string family = SubstituteFace(font.face_name);
    FcPattern* match = nullptr;
    if (const JapaneseFace* japanese = FindJapaneseFace(font.face_name);
        japanese && !japanese->stand_in.empty()) {
      for (std::string_view own : {japanese->name, japanese->english_name}) {
        match = MatchFont(std::string(own), style);
        if (match && FamilyMatches(match, std::string(own))) {
          family = own;
          break;
        }
        if (match) FcPatternDestroy(match);
        match = nullptr;
      }
    }
    if (!match) match = MatchFont(family, style);
    if (match && !FamilyMatches(match, family) && !IsGeneric(family)) {
      // fontconfig always answers with something; a face it does not know becomes its default
      // (often a Latin-only face), which cannot show the labels. Use the Japanese fallback.
      FcPattern* fallback = MatchFont(kFallbackFamily, style);
      if (fallback) {
        FcPatternDestroy(match);
        match = fallback;
      }
    }
    FaceEntry entry;
    if (match) {
      FcChar8* file = nullptr;
      int index = 0;
      FcBool embolden = FcFalse;
      FcPatternGetInteger(match, FC_INDEX, 0, &index);
      if (FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden) == FcResultMatch) {
        entry.info.embolden = embolden;
      }
      if (library && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        if (FT_New_Face(library, reinterpret_cast<const char*>(file), index, &entry.face) == 0) {
          entry.info.file = reinterpret_cast<const char*>(file);
          entry.info.index = index;
        } else {
          entry.face = nullptr;
        }
      }
      // Cairo opens the face itself from the pattern and guards it with its own lock, so the
      // face can serve several renderings on several threads at once.
      entry.cairo = cairo_ft_font_face_create_for_pattern(match);
      // fontconfig marks a missing bold for emboldening, which Cairo follows, but describes a
      // missing italic only by a matrix that Cairo ignores: slant the upright face here, as
      // GDI does.
      if ((style & kItalic) && entry.face && !(entry.face->style_flags & FT_STYLE_FLAG_ITALIC)) {
        cairo_ft_font_face_set_synthesize(entry.cairo, CAIRO_FT_SYNTHESIZE_OBLIQUE);
        entry.info.oblique = true;
      }
      FcPatternDestroy(match);
    }
    if (!entry.cairo || cairo_font_face_status(entry.cairo) != CAIRO_STATUS_SUCCESS) {
      if (entry.cairo) cairo_font_face_destroy(entry.cairo);
      entry.cairo = cairo_toy_font_face_create(kFallbackFamily, CAIRO_FONT_SLANT_NORMAL,
                                               CAIRO_FONT_WEIGHT_NORMAL);
    }
    if (entry.face) ReadCellMetrics(entry);
    return &faces.emplace(key, std::move(entry)).first->second;
  }

  // The Japanese stand-in of the weight and slant of `font`.
  FaceEntry* Fallback(const LabelFont& font, bool add) {
    LabelFont fallback = font;
    fallback.face_name = kFallbackFamily;
    return Face(fallback, add);
  }

  int32_t Ppem(FaceEntry& entry, const LabelFont& font) {
    double size = kDefaultPixelSize;
    if (font.height < 0) {
      size = -static_cast<double>(font.height);
    } else if (font.height > 0) {
      // A positive height is the whole cell: choose the em so that ascent + descent fill it.
      size = entry.face ? std::round(static_cast<double>(font.height) * entry.face->units_per_EM /
                                     entry.cell_units)
                        : font.height;
    }
    return static_cast<int32_t>(std::clamp(size, 1.0, kMaxPixelSize));
  }

  SizeEntry* Size(FaceEntry& entry, int32_t ppem, bool add) {
    if (!add) {
      auto it = entry.sizes.find(ppem);
      return it == entry.sizes.end() ? nullptr : &it->second;
    }
    auto [it, inserted] = entry.sizes.try_emplace(ppem);
    if (inserted) {
      if (entry.face) {
        double scale = static_cast<double>(ppem) / entry.face->units_per_EM;
        it->second.ascent = static_cast<int32_t>(std::lround(entry.ascent_units * scale));
        it->second.descent =
            static_cast<int32_t>(std::lround(entry.cell_units * scale)) - it->second.ascent;
      } else {
        it->second.ascent = ppem;
      }
    }
    return &it->second;
  }

  // Caller holds the lock alone.
  SizeEntry& Scaled(FaceEntry& entry, int32_t ppem) {
    SizeEntry& size = *Size(entry, ppem, true);
    if (!size.scaled) {
      cairo_matrix_t font_matrix, ctm;
      cairo_matrix_init_scale(&font_matrix, ppem, ppem);
      cairo_matrix_init_identity(&ctm);
      cairo_font_options_t* options = cairo_font_options_create();
      cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
      cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
      size.scaled = cairo_scaled_font_create(entry.cairo, &font_matrix, &ctm, options);
      cairo_font_options_destroy(options);
      size.baseline = BaselineOffset(size.scaled, ppem);
    }
    return size;
  }

  // The glyph and the hinted advance in whole pixels, as GDI lays out plain text (no
  // kerning).
  std::optional<CharEntry> Char(FaceEntry& entry, SizeEntry& size, int32_t ppem, char32_t cp,
                                bool add) {
    if (auto it = size.chars.find(cp); it != size.chars.end()) return it->second;
    if (!add) return std::nullopt;
    CharEntry c;
    if (entry.face && FT_Set_Pixel_Sizes(entry.face, 0, ppem) == 0) {
      c.glyph = FT_Get_Char_Index(entry.face, cp);
      if (FT_Load_Glyph(entry.face, c.glyph, FT_LOAD_DEFAULT) == 0) {
        c.advance = static_cast<int32_t>((entry.face->glyph->advance.x + 32) >> 6);
        // GDI's synthetic bold widens every character by one pixel.
        if (entry.info.embolden) ++c.advance;
      }
    }
    size.chars.emplace(cp, c);
    return c;
  }

  // The glyphs of `text` and its extent into `layout`, from the label's face or, for a
  // character it lacks, the stand-in's; the faces used into `used`. False (without `add`) when
  // something is not there yet.
  bool Lay(const LabelFont& font, const std::u32string& text, LabelLayout& layout,
           FaceEntry* used[2], int32_t& ppem, bool add) {
    FaceEntry* entry = Face(font, add);
    if (!entry) return false;
    ppem = Ppem(*entry, font);
    SizeEntry* size = Size(*entry, ppem, add);
    if (!size) return false;
    used[0] = entry;
    used[1] = nullptr;
    int64_t width = 0;
    layout.glyphs.clear();
    layout.glyphs.reserve(text.size());
    for (char32_t cp : text) {
      LabelGlyph g{cp, 0, 0, 0};
      std::optional<CharEntry> c = Char(*entry, *size, ppem, cp, add);
      if (!c) return false;
      if (c->glyph == 0) {
        FaceEntry* fallback = Fallback(font, add);
        SizeEntry* fallback_size = fallback ? Size(*fallback, ppem, add) : nullptr;
        if (!fallback_size) return false;
        std::optional<CharEntry> f = Char(*fallback, *fallback_size, ppem, cp, add);
        if (!f) return false;
        if (f->glyph != 0) {
          c = f;
          g.face = 1;
          used[1] = fallback;
        }
      }
      g.glyph = c->glyph;
      g.advance = c->advance;
      width += c->advance;
      layout.glyphs.push_back(g);
    }
    layout.extent = TextExtent{ClampToInt32(width), size->ascent + size->descent};
    return true;
  }

  // The face of `font`, added under the lock alone on its first use.
  FaceEntry& FaceLocked(const LabelFont& font) {
    {
      std::shared_lock lock(mutex);
      if (FaceEntry* entry = Face(font, false)) return *entry;
    }
    std::unique_lock lock(mutex);
    return *Face(font, true);
  }

  // Lays out under the shared lock when everything is there, else under the lock alone; what
  // `then` does follows under the same lock.
  template <class Then>
  void LayLocked(const LabelFont& font, std::string_view cp932_text, LabelLayout& layout,
                 const Then& then) {
    std::u32string text = LabelCharacters(cp932_text);
    FaceEntry* used[2];
    int32_t ppem = 0;
    {
      std::shared_lock lock(mutex);
      if (Lay(font, text, layout, used, ppem, false) && then(used, ppem, false)) return;
    }
    std::unique_lock lock(mutex);
    Lay(font, text, layout, used, ppem, true);
    then(used, ppem, true);
  }
};

FontLibrary::FontLibrary() : impl_(std::make_unique<Impl>()) {
  // Cairo linked statically on Windows sets up its locks on its first pattern or surface (a DLL
  // does it when loaded); a font face made before either waits forever on its font map's lock.
  cairo_pattern_destroy(cairo_pattern_create_rgb(0, 0, 0));
  FcInit();
  if (FT_Init_FreeType(&impl_->library) != 0) impl_->library = nullptr;
}

FontLibrary::~FontLibrary() = default;

std::string FontLibrary::SubstituteFace(const std::string& face_name) {
  const JapaneseFace* face = FindJapaneseFace(face_name);
  return face && !face->stand_in.empty() ? std::string(face->stand_in) : face_name;
}

TextExtent FontLibrary::Measure(const LabelFont& font, std::string_view cp932_text) {
  LabelLayout layout;
  impl_->LayLocked(font, cp932_text, layout, [](FaceEntry**, int32_t, bool) { return true; });
  return layout.extent;
}

LabelLayout FontLibrary::Layout(const LabelFont& font, std::string_view cp932_text) {
  LabelLayout layout;
  FaceEntry* used[2] = {};
  int32_t ppem = 0;
  // The scaled fonts are made on first use, under the lock alone.
  impl_->LayLocked(font, cp932_text, layout, [&](FaceEntry** faces, int32_t size, bool add) {
    for (int i = 0; i < 2; ++i) {
      if (!faces[i]) continue;
      SizeEntry* entry = impl_->Size(*faces[i], size, add);
      if (!entry || !entry->scaled) {
        if (!add) return false;
        impl_->Scaled(*faces[i], size);
      }
    }
    used[0] = faces[0], used[1] = faces[1];
    ppem = size;
    return true;
  });
  FaceEntry& entry = *used[0];
  SizeEntry& size = *impl_->Size(entry, ppem, false);
  layout.faces[0] = &entry.info;
  layout.scaled[0] = size.scaled;
  if (used[1]) {
    layout.faces[1] = &used[1]->info;
    layout.scaled[1] = impl_->Size(*used[1], ppem, false)->scaled;
  }
  layout.ppem = ppem;
  layout.ascent = size.baseline;
  // Without the face's own figures: a tenth of the em below, three tenths above the baseline.
  double scale = entry.face ? static_cast<double>(ppem) / entry.face->units_per_EM : 0;
  layout.line_thickness = std::max(1.0, std::round(ppem / 16.0));
  layout.underline_position = ppem * 0.1;
  layout.strike_position = ppem * 0.3;
  if (entry.line_units > 0) {
    layout.line_thickness = std::max(1.0, std::round(entry.line_units * scale));
    layout.underline_position = std::max(1.0, std::round(entry.underline_units * scale));
  }
  if (entry.strike_units > 0) layout.strike_position = std::round(entry.strike_units * scale);
  return layout;
}

double FontLibrary::PixelSize(const LabelFont& font) {
  FaceEntry& entry = impl_->FaceLocked(font);
  return impl_->Ppem(entry, font);
}

cairo_scaled_font_t* FontLibrary::ScaledFont(const LabelFont& font) {
  FaceEntry& entry = impl_->FaceLocked(font);
  std::unique_lock lock(impl_->mutex);
  return impl_->Scaled(entry, impl_->Ppem(entry, font)).scaled;
}

double FontLibrary::Ascent(const LabelFont& font) {
  FaceEntry& entry = impl_->FaceLocked(font);
  std::unique_lock lock(impl_->mutex);
  return impl_->Scaled(entry, impl_->Ppem(entry, font)).baseline;
}

}  // namespace sheetwright::picture

// fontconfig keeps the configuration FcInit loads for the life of the process and never frees
// it (FcFini would pull it from under Cairo's cached faces), which LeakSanitizer reports at exit
// of every program that measures or renders a label. Tell it so, for sanitizer builds only.
#if defined(__SANITIZE_ADDRESS__)
#define SHEETWRIGHT_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SHEETWRIGHT_LSAN 1
#endif
#endif
#ifdef SHEETWRIGHT_LSAN
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
#endif
