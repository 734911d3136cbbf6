#include "ui/layer_layout.h"

#include "ui/text.h"

namespace sheetwright::ui {
namespace {

using settings::LayerDefs;
using settings::LayerKind;

// Three columns 281 pixels wide; the captions are those of the layer table's groups.
const std::array<GroupLayout, kGroupCount> kGroups = {{
    {"GrpBoxGyo", "行政区域", QRect(8, 16, 281, 193), 20},
    {"GrpBoxGaiku", "街区", QRect(8, 216, 281, 97), 20},
    {"GrpBoxLoad", "道路", QRect(8, 320, 281, 93), 20},
    {"GrpBoxTatemono", "公共建物", QRect(8, 416, 281, 97), 20},
    {"GroupBox3", "都市公園", QRect(296, 16, 281, 97), 20},
    {"GroupBox4", "学校敷地", QRect(296, 116, 281, 97), 20},
    {"GroupBox5", "神社・寺院", QRect(296, 216, 281, 97), 20},
    {"GroupBox6", "墓地", QRect(296, 320, 281, 96), 20},
    {"GroupBox2", "その他場地", QRect(296, 416, 281, 97), 20},
    {"GrpBoxTetudo", "鉄道", QRect(584, 16, 281, 125), 20},
    {"GroupBox7", "河川", QRect(584, 156, 281, 120), 20},
    {"GrpBoxSui", "水域", QRect(584, 288, 281, 121), 20},
    {"GroupBox8", "図枠", QRect(584, 416, 281, 57), 16},
}};

std::array<RowLayout, settings::kLayerCount> MakeRows() {
  std::array<RowLayout, settings::kLayerCount> rows{};
  std::array<int, kGroupCount> filled{};
  for (size_t i = 0; i < rows.size(); ++i) {
    const settings::LayerDef& def = LayerDefs()[i];
    RowLayout& row = rows[i];
    row.def = &def;
    for (int g = 0; g < kGroupCount; ++g) {
      if (kGroups[g].caption == def.group) row.group = g;
    }
    // Within a group the rows stand in the layer table's order, one every 24 pixels.
    row.y = kGroups[row.group].first_row_y + kRowSpacing * filled[row.group]++;
    QString stem = FromUtf8(def.switch_name.substr(3));  // "ChkGaikuLine" -> "GaikuLine"
    row.check_name = "Chk" + stem;
    row.colour_name = "Col" + stem;
    if (def.kind != LayerKind::kPoly) row.track_name = "Trk" + stem;
    if (def.font) {
      QString font = FromUtf8(settings::Def(*def.font).section.substr(4));  // "FontGai" -> "Gai"
      row.font_button_name = "BtnFont" + font;
      row.font_dialog_name = "FontDialog" + font;
    }
  }
  return rows;
}

}  // namespace

const std::array<GroupLayout, kGroupCount>& GroupLayouts() { return kGroups; }

const std::array<RowLayout, settings::kLayerCount>& RowLayouts() {
  static const std::array<RowLayout, settings::kLayerCount> rows = MakeRows();
  return rows;
}

}  // namespace sheetwright::ui
