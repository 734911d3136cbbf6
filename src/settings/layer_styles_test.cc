#include "settings/layer_styles.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace sheetwright::settings {
namespace {

TEST(LayerDefsTest, RowsSitAtTheirSettingsFilePositions) {
  struct Row {
    int position;
    std::string_view name, group, switch_name, caption;
  };
  const Row rows[] = {
      {0, "GAIKU_LINE", "街区", "ChkGaikuLine", "街区境界線"},
      {2, "GAIKU_NAME", "街区", "ChkGaikuAtr", "街区番号"},
      {4, "SITYO_LINE", "行政区域", "ChkShiLine", "市区境界線"},
      {11, "HOSYA_LINE", "道路", "ChkHosyaLine", "主要道路のみ"},
      {12, "KUIKI_LINE", "道路", "ChkKuikiLine", "道路区域線"},
      {15, "TETUSIKI_POLY", "鉄道", "ChkTetuSikiPoly", "鉄道敷塗潰し"},
      {16, "EKI_NAME", "鉄道", "ChkEkiAtr", "駅名称"},
      {24, "TEMPLE_POLY", "神社・寺院", "ChkTemplePoly", "神社・寺院塗潰し"},
      {29, "ZYO_LINE", "その他場地", "ChkZyoLine", "場地境界線"},
      {36, "MIZU_LINE", "水域", "ChkSuiLine", "水域境界線"},
      {39, "KASENCYU_LINE", "河川", "ChkKasenCyuLine", "河川中心線"},
      {43, "SUMI_LINE", "図枠", "ChkSumi", "4隅ポイント"},
  };
  for (const Row& row : rows) {
    const LayerDef& def = LayerDefs()[row.position];
    EXPECT_EQ(def.name, row.name) << row.position;
    EXPECT_EQ(def.group, row.group) << row.name;
    EXPECT_EQ(def.switch_name, row.switch_name) << row.name;
    EXPECT_EQ(def.caption, row.caption) << row.name;
    EXPECT_EQ(&Def(def.key), &def) << row.name;
  }
}

TEST(LayerDefsTest, KindFollowsTheKeySuffixAndNamesAreUnique) {
  std::set<std::string_view> names, switches;
  int lines = 0, polys = 0, labels = 0, hidden = 0;
  for (const LayerDef& def : LayerDefs()) {
    EXPECT_TRUE(names.insert(def.name).second) << def.name;
    EXPECT_TRUE(switches.insert(def.switch_name).second) << def.switch_name;
    std::string_view suffix = def.name.substr(def.name.rfind('_'));
    switch (def.kind) {
      case LayerKind::kLine:
        EXPECT_EQ(suffix, "_LINE") << def.name;
        ++lines;
        break;
      case LayerKind::kPoly:
        EXPECT_EQ(suffix, "_POLY") << def.name;
        ++polys;
        break;
      case LayerKind::kName:
        EXPECT_EQ(suffix, "_NAME") << def.name;
        EXPECT_TRUE(def.switch_name.ends_with("Atr")) << def.name;
        ++labels;
        break;
    }
    EXPECT_EQ(def.font.has_value(), def.kind == LayerKind::kName) << def.name;
    hidden += def.hidden_switch;
  }
  EXPECT_EQ(lines, 20);
  EXPECT_EQ(polys, 12);
  EXPECT_EQ(labels, 12);
  EXPECT_EQ(hidden, 1);
  EXPECT_TRUE(Def(LayerKey::kKuikiLine).hidden_switch);
}

TEST(LayerDefsTest, EachNameLayerHasItsOwnLabelFont) {
  // The font table in the settings file's order, with the layer each font labels.
  const std::pair<std::string_view, std::string_view> fonts[] = {
      {"FontCyo", "TYOME_NAME"},     {"FontSi", "SITYO_NAME"},   {"FontGai", "GAIKU_NAME"},
      {"FontObj", "TATEMONO_NAME"},  {"FontPark", "PARK_NAME"},  {"FontSchool", "SCHOOL_NAME"},
      {"FontTemple", "TEMPLE_NAME"}, {"FontBoti", "BOTI_NAME"},  {"FontJyo", "ZYO_NAME"},
      {"FontEki", "EKI_NAME"},       {"FontKawa", "KASEN_NAME"}, {"FontMizu", "MIZU_NAME"},
  };
  ASSERT_EQ(std::size(fonts), FontDefs().size());
  for (size_t i = 0; i < std::size(fonts); ++i) {
    const FontDef& font = FontDefs()[i];
    EXPECT_EQ(font.section, fonts[i].first);
    EXPECT_EQ(Def(font.used_for).name, fonts[i].second);
    ASSERT_TRUE(Def(font.used_for).font.has_value());
    EXPECT_EQ(Def(*Def(font.used_for).font).section, fonts[i].first);
  }
}

TEST(LayerStyleTableTest, StartsAtDefaultsAndKeepsRowsApart) {
  LayerStyleTable table;
  for (const LayerDef& def : LayerDefs()) {
    LayerStyle style = table.Style(def.key);
    EXPECT_FALSE(style.enabled) << def.name;
    EXPECT_EQ(style.color, 0u) << def.name;
    EXPECT_EQ(style.width_step, 3) << def.name;
  }
  for (const FontDef& def : FontDefs()) {
    LabelFont font = table.Font(def.id);
    EXPECT_EQ(font.face_name, "ＭＳ Ｐゴシック");
    EXPECT_EQ(font.height, -12);
    EXPECT_EQ(FontSizeFromHeight(font.height), 9);
    EXPECT_EQ(font.style, 0);
    EXPECT_EQ(font.pitch, 0);
    EXPECT_EQ(font.color, picture::kClWindowText);
    EXPECT_EQ(font.charset, 128);
  }

  table.SetColor(LayerKey::kSchoolLine, 0x00FF00);
  table.SetEnabled(LayerKey::kTempleLine, true);
  LabelFont park;
  park.face_name = "IPAPMincho";
  table.SetFont(FontId::kPark, park);
  EXPECT_EQ(table.Style(LayerKey::kSchoolLine).color, 0x00FF00u);
  EXPECT_EQ(table.Style(LayerKey::kSchoolPoly).color, 0u);
  EXPECT_TRUE(table.Style(LayerKey::kTempleLine).enabled);
  EXPECT_FALSE(table.Style(LayerKey::kTemplePoly).enabled);
  // School labels keep their own font when the park font changes.
  EXPECT_EQ(table.Font(FontId::kPark).face_name, "IPAPMincho");
  EXPECT_EQ(table.Font(*Def(LayerKey::kSchoolName).font).face_name, "ＭＳ Ｐゴシック");
}

TEST(LayerStyleTableTest, WidthStepIsClampedToOneToFive) {
  LayerStyleTable table;
  const std::pair<int, int> cases[] = {{1, 1}, {5, 5}, {0, 1}, {-2, 1}, {6, 5}, {9, 5}, {2, 2}};
  for (auto [given, kept] : cases) {
    table.SetWidthStep(LayerKey::kSumiLine, given);
    EXPECT_EQ(table.Style(LayerKey::kSumiLine).width_step, kept) << given;
  }
}

TEST(FontSizeTest, SizeAndHeightRoundToNearest) {
  struct Case {
    int dpi, size;
    int32_t height;
  };
  // Sizes that survive a save and a restore at 96 dpi.
  for (Case c : {Case{96, 9, -12}, Case{96, 10, -13}, Case{96, 12, -16}, Case{120, 9, -15},
                 Case{144, 10, -20}}) {
    EXPECT_EQ(FontHeightFromSize(c.size, c.dpi), c.height) << c.size << "pt at " << c.dpi;
    EXPECT_EQ(FontSizeFromHeight(c.height, c.dpi), c.size) << c.height << " at " << c.dpi;
  }
  // -11 px is 8.25 pt; -14 px is 10.5 pt, a half, which rounds away from zero; 11 pt is 14.67 px.
  EXPECT_EQ(FontSizeFromHeight(-11), 8);
  EXPECT_EQ(FontSizeFromHeight(-14), 11);
  EXPECT_EQ(FontHeightFromSize(11), -15);
  // A positive height is a cell height and gives a negative size, and back.
  EXPECT_EQ(FontSizeFromHeight(16), -12);
  EXPECT_EQ(FontHeightFromSize(-12), 16);
}

}  // namespace
}  // namespace sheetwright::settings
