// The 44 styled map layers: their keys in canonical order, defaults, the twelve label fonts, and
// the live table of values that the conversion reads when each layer's turn comes. The settings
// file (settings_file.h) stores and restores every value; the GUI edits them.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>

#include "picture/colour.h"
#include "picture/label_font.h"

namespace sheetwright::settings {

using picture::ColorValue;
using picture::LabelFont;

// Canonical order: the order of the settings file's keys.
enum class LayerKey : uint8_t {
  kGaikuLine,
  kGaikuPoly,
  kGaikuName,
  kKenLine,
  kSityoLine,
  kSityoPoly,
  kSityoName,
  kTyomeLine,
  kTyomePoly,
  kTyomeName,
  kLoadLine,
  kHosyaLine,
  kKuikiLine,
  kTetuLine,
  kTetusikiLine,
  kTetusikiPoly,
  kEkiName,
  kParkLine,
  kParkPoly,
  kParkName,
  kSchoolLine,
  kSchoolPoly,
  kSchoolName,
  kTempleLine,
  kTemplePoly,
  kTempleName,
  kBotiLine,
  kBotiPoly,
  kBotiName,
  kZyoLine,
  kZyoPoly,
  kZyoName,
  kTatemonoLine,
  kTatemonoPoly,
  kTatemonoName,
  kSeaLine,
  kMizuLine,
  kMizuPoly,
  kMizuName,
  kKasencyuLine,
  kKasenLine,
  kKasenPoly,
  kKasenName,
  kSumiLine,
};
constexpr int kLayerCount = 44;

// The twelve label fonts, in the settings file's order.
enum class FontId : uint8_t {
  kCyo,
  kSi,
  kGai,
  kObj,
  kPark,
  kSchool,
  kTemple,
  kBoti,
  kJyo,
  kEki,
  kKawa,
  kMizu,
};
constexpr int kFontCount = 12;

enum class LayerKind : uint8_t { kLine, kPoly, kName };

struct LayerDef {
  LayerKey key;
  std::string_view name;         // "GAIKU_LINE"
  std::string_view group;        // group box caption, "街区"
  std::string_view switch_name;  // "ChkGaikuLine"
  std::string_view caption;      // "街区境界線"
  LayerKind kind;
  bool hidden_switch;          // KUIKI_LINE: only the settings file switches it on
  std::optional<FontId> font;  // _NAME rows
};

struct FontDef {
  FontId id;
  std::string_view section;  // "FontCyo"
  LayerKey used_for;
};

const std::array<LayerDef, kLayerCount>& LayerDefs();
const LayerDef& Def(LayerKey key);
const std::array<FontDef, kFontCount>& FontDefs();
const FontDef& Def(FontId id);

struct LayerStyle {
  bool enabled = false;
  ColorValue color = 0;
  int width_step = 3;  // 1..5
};

// Clamps a width step into 1..5.
inline int ClampWidthStep(int step) { return step < 1 ? 1 : step > 5 ? 5 : step; }

// Label font size in points <-> height in pixels at `dpi` (96 on a standard screen).
int FontSizeFromHeight(int32_t height, int dpi = 96);
int32_t FontHeightFromSize(int size, int dpi = 96);

// What the conversion reads: the current values of a layer and of a label font.
class StyleSource {
 public:
  virtual ~StyleSource() = default;
  virtual LayerStyle Style(LayerKey key) const = 0;
  virtual LabelFont Font(FontId id) const = 0;
};

// Whether any layer is switched on: with none, every drawing comes out blank.
bool AnyLayerOn(const StyleSource& styles);

// The live table. Every row starts at its defaults: off, black, width step 3, the default label
// font. Safe to read from a conversion thread while the GUI writes it.
class LayerStyleTable : public StyleSource {
 public:
  LayerStyle Style(LayerKey key) const override;
  LabelFont Font(FontId id) const override;

  void SetEnabled(LayerKey key, bool enabled);
  void SetColor(LayerKey key, ColorValue color);
  void SetWidthStep(LayerKey key, int step);  // clamped to 1..5
  void SetFont(FontId id, const LabelFont& font);

 private:
  mutable std::mutex mutex_;
  std::array<LayerStyle, kLayerCount> styles_{};
  std::array<LabelFont, kFontCount> fonts_{};
};

}  // namespace sheetwright::settings
