#include "settings/layer_styles.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace sheetwright::settings {
namespace {

using K = LayerKey;
using F = FontId;
constexpr LayerKind kLine = LayerKind::kLine;
constexpr LayerKind kPoly = LayerKind::kPoly;
constexpr LayerKind kName = LayerKind::kName;
constexpr std::optional<FontId> kNoFont = std::nullopt;

// Rows in the settings file's order. The switch names of the name rows end in "Atr" (they were
// attribute layers before they were called name layers); KUIKI_LINE's controls are never shown.
constexpr std::array<LayerDef, kLayerCount> kLayerDefs = {{
    {K::kGaikuLine, "GAIKU_LINE", "街区", "ChkGaikuLine", "街区境界線", kLine, false, kNoFont},
    {K::kGaikuPoly, "GAIKU_POLY", "街区", "ChkGaikuPoly", "街区塗潰し", kPoly, false, kNoFont},
    {K::kGaikuName, "GAIKU_NAME", "街区", "ChkGaikuAtr", "街区番号", kName, false, F::kGai},
    {K::kKenLine, "KEN_LINE", "行政区域", "ChkKenLine", "都道府県境界線", kLine, false, kNoFont},
    {K::kSityoLine, "SITYO_LINE", "行政区域", "ChkShiLine", "市区境界線", kLine, false, kNoFont},
    {K::kSityoPoly, "SITYO_POLY", "行政区域", "ChkShiPoly", "市区界塗潰し", kPoly, false, kNoFont},
    {K::kSityoName, "SITYO_NAME", "行政区域", "ChkShiAtr", "市区名称", kName, false, F::kSi},
    {K::kTyomeLine, "TYOME_LINE", "行政区域", "ChkCyoLine", "町丁目境界線", kLine, false, kNoFont},
    {K::kTyomePoly, "TYOME_POLY", "行政区域", "ChkCyoPoly", "町丁目塗潰し", kPoly, false, kNoFont},
    {K::kTyomeName, "TYOME_NAME", "行政区域", "ChkCyoAtr", "町丁目名称", kName, false, F::kCyo},
    {K::kLoadLine, "LOAD_LINE", "道路", "ChkLoadLine", "道路中心線", kLine, false, kNoFont},
    {K::kHosyaLine, "HOSYA_LINE", "道路", "ChkHosyaLine", "主要道路のみ", kLine, false, kNoFont},
    {K::kKuikiLine, "KUIKI_LINE", "道路", "ChkKuikiLine", "道路区域線", kLine, true, kNoFont},
    {K::kTetuLine, "TETU_LINE", "鉄道", "ChkTetuLine", "鉄道線", kLine, false, kNoFont},
    {K::kTetusikiLine, "TETUSIKI_LINE", "鉄道", "ChkTetuSikiLine", "鉄道敷境界線", kLine, false,
     kNoFont},
    {K::kTetusikiPoly, "TETUSIKI_POLY", "鉄道", "ChkTetuSikiPoly", "鉄道敷塗潰し", kPoly, false,
     kNoFont},
    {K::kEkiName, "EKI_NAME", "鉄道", "ChkEkiAtr", "駅名称", kName, false, F::kEki},
    {K::kParkLine, "PARK_LINE", "都市公園", "ChkParkLine", "都市公園境界線", kLine, false, kNoFont},
    {K::kParkPoly, "PARK_POLY", "都市公園", "ChkParkPoly", "都市公園塗潰し", kPoly, false, kNoFont},
    {K::kParkName, "PARK_NAME", "都市公園", "ChkParkAtr", "都市公園名称", kName, false, F::kPark},
    {K::kSchoolLine, "SCHOOL_LINE", "学校敷地", "ChkSchoolLine", "学校敷地境界線", kLine, false,
     kNoFont},
    {K::kSchoolPoly, "SCHOOL_POLY", "学校敷地", "ChkSchoolPoly", "学校敷地塗潰し", kPoly, false,
     kNoFont},
    {K::kSchoolName, "SCHOOL_NAME", "学校敷地", "ChkSchoolAtr", "学校敷地名称", kName, false,
     F::kSchool},
    {K::kTempleLine, "TEMPLE_LINE", "神社・寺院", "ChkTempleLine", "神社・寺院境界線", kLine, false,
     kNoFont},
    {K::kTemplePoly, "TEMPLE_POLY", "神社・寺院", "ChkTemplePoly", "神社・寺院塗潰し", kPoly, false,
     kNoFont},
    {K::kTempleName, "TEMPLE_NAME", "神社・寺院", "ChkTempleAtr", "神社・寺院名称", kName, false,
     F::kTemple},
    {K::kBotiLine, "BOTI_LINE", "墓地", "ChkBotiLine", "墓地境界線", kLine, false, kNoFont},
    {K::kBotiPoly, "BOTI_POLY", "墓地", "ChkBotiPoly", "墓地塗潰し", kPoly, false, kNoFont},
    {K::kBotiName, "BOTI_NAME", "墓地", "ChkBotiAtr", "墓地名称", kName, false, F::kBoti},
    {K::kZyoLine, "ZYO_LINE", "その他場地", "ChkZyoLine", "場地境界線", kLine, false, kNoFont},
    {K::kZyoPoly, "ZYO_POLY", "その他場地", "ChkZyoPoly", "その他場地塗潰し", kPoly, false,
     kNoFont},
    {K::kZyoName, "ZYO_NAME", "その他場地", "ChkZyoAtr", "その他場地名称", kName, false, F::kJyo},
    {K::kTatemonoLine, "TATEMONO_LINE", "公共建物", "ChkTatemonoLine", "建物境界線", kLine, false,
     kNoFont},
    {K::kTatemonoPoly, "TATEMONO_POLY", "公共建物", "ChkTatemonoPoly", "建物塗潰し", kPoly, false,
     kNoFont},
    {K::kTatemonoName, "TATEMONO_NAME", "公共建物", "ChkTatemonoAtr", "建物名称", kName, false,
     F::kObj},
    {K::kSeaLine, "SEA_LINE", "水域", "ChkSeaLine", "海岸線", kLine, false, kNoFont},
    {K::kMizuLine, "MIZU_LINE", "水域", "ChkSuiLine", "水域境界線", kLine, false, kNoFont},
    {K::kMizuPoly, "MIZU_POLY", "水域", "ChkSuiPoly", "水域塗潰し", kPoly, false, kNoFont},
    {K::kMizuName, "MIZU_NAME", "水域", "ChkSuiAtr", "水域名称", kName, false, F::kMizu},
    {K::kKasencyuLine, "KASENCYU_LINE", "河川", "ChkKasenCyuLine", "河川中心線", kLine, false,
     kNoFont},
    {K::kKasenLine, "KASEN_LINE", "河川", "ChkKasenLine", "河川境界線", kLine, false, kNoFont},
    {K::kKasenPoly, "KASEN_POLY", "河川", "ChkKasenPoly", "河川塗潰し", kPoly, false, kNoFont},
    {K::kKasenName, "KASEN_NAME", "河川", "ChkKasenAtr", "河川名称", kName, false, F::kKawa},
    {K::kSumiLine, "SUMI_LINE", "図枠", "ChkSumi", "4隅ポイント", kLine, false, kNoFont},
}};

constexpr std::array<FontDef, kFontCount> kFontDefs = {{
    {F::kCyo, "FontCyo", K::kTyomeName},
    {F::kSi, "FontSi", K::kSityoName},
    {F::kGai, "FontGai", K::kGaikuName},
    {F::kObj, "FontObj", K::kTatemonoName},
    {F::kPark, "FontPark", K::kParkName},
    {F::kSchool, "FontSchool", K::kSchoolName},
    {F::kTemple, "FontTemple", K::kTempleName},
    {F::kBoti, "FontBoti", K::kBotiName},
    {F::kJyo, "FontJyo", K::kZyoName},
    {F::kEki, "FontEki", K::kEkiName},
    {F::kKawa, "FontKawa", K::kKasenName},
    {F::kMizu, "FontMizu", K::kMizuName},
}};

// The tables are indexed by the enums' values; a row out of place would silently style the
// wrong layer.
constexpr bool TablesInEnumOrder() {
  for (int i = 0; i < kLayerCount; ++i) {
    if (static_cast<int>(kLayerDefs[i].key) != i) return false;
  }
  for (int i = 0; i < kFontCount; ++i) {
    if (static_cast<int>(kFontDefs[i].id) != i) return false;
    const LayerDef& row = kLayerDefs[static_cast<int>(kFontDefs[i].used_for)];
    if (row.font != kFontDefs[i].id) return false;
  }
  return true;
}
static_assert(TablesInEnumOrder());

// a * b / c rounded to the nearest integer, halves away from zero (as the platform's MulDiv).
int32_t MulDivRounded(int64_t a, int64_t b, int64_t c) {
  int64_t num = a * b;
  bool negative = (num < 0) != (c < 0);
  int64_t q = (std::llabs(num) * 2 + std::llabs(c)) / (std::llabs(c) * 2);
  if (q > INT32_MAX) q = INT32_MAX;  // absurd sizes from a hand-edited file must not wrap
  return static_cast<int32_t>(negative ? -q : q);
}

int SafeDpi(int dpi) { return dpi > 0 ? dpi : 96; }

}  // namespace

const std::array<LayerDef, kLayerCount>& LayerDefs() { return kLayerDefs; }
const LayerDef& Def(LayerKey key) { return kLayerDefs[static_cast<int>(key)]; }
const std::array<FontDef, kFontCount>& FontDefs() { return kFontDefs; }
const FontDef& Def(FontId id) { return kFontDefs[static_cast<int>(id)]; }

int FontSizeFromHeight(int32_t height, int dpi) { return -MulDivRounded(height, 72, SafeDpi(dpi)); }

int32_t FontHeightFromSize(int size, int dpi) { return -MulDivRounded(size, SafeDpi(dpi), 72); }

LayerStyle LayerStyleTable::Style(LayerKey key) const {
  std::lock_guard lock(mutex_);
  return styles_[static_cast<int>(key)];
}

LabelFont LayerStyleTable::Font(FontId id) const {
  std::lock_guard lock(mutex_);
  return fonts_[static_cast<int>(id)];
}

void LayerStyleTable::SetEnabled(LayerKey key, bool enabled) {
  std::lock_guard lock(mutex_);
  styles_[static_cast<int>(key)].enabled = enabled;
}

void LayerStyleTable::SetColor(LayerKey key, ColorValue color) {
  std::lock_guard lock(mutex_);
  styles_[static_cast<int>(key)].color = color;
}

void LayerStyleTable::SetWidthStep(LayerKey key, int step) {
  std::lock_guard lock(mutex_);
  styles_[static_cast<int>(key)].width_step = ClampWidthStep(step);
}

void LayerStyleTable::SetFont(FontId id, const LabelFont& font) {
  std::lock_guard lock(mutex_);
  fonts_[static_cast<int>(id)] = font;
}

bool AnyLayerOn(const StyleSource& styles) {
  const auto& defs = LayerDefs();
  return std::any_of(defs.begin(), defs.end(),
                     [&](const LayerDef& def) { return styles.Style(def.key).enabled; });
}

}  // namespace sheetwright::settings
