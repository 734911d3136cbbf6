// Where the layer controls stand in the main window: the thirteen group boxes of the layer panel
// and, derived from the layer table of settings/layer_styles.h, the control names and position of
// every layer row. The panel (layer_panel.h) is built from this data; nothing else places a row.
// Positions are pixels at 96 dpi; Qt scales them on denser screens.
#pragma once

#include <QRect>
#include <QString>
#include <array>
#include <string_view>

#include "settings/layer_styles.h"

namespace sheetwright::ui {

struct GroupLayout {
  std::string_view object_name;  // "GrpBoxGyo"
  std::string_view caption;      // "行政区域": the group of the layer table's rows
  QRect geometry;                // within the layer panel
  int first_row_y;               // the first check box's y within the group
};

constexpr int kGroupCount = 13;
constexpr int kRowSpacing = 24;

const std::array<GroupLayout, kGroupCount>& GroupLayouts();

// The controls of one layer row. Every row has a switch, a colour box and (but fill rows) a width
// track bar; name rows add a font button, and their colour box and track bar are never shown.
struct RowLayout {
  const settings::LayerDef* def;
  int group;                 // index into GroupLayouts()
  int y;                     // within the group
  QString check_name;        // "ChkGaikuLine"
  QString colour_name;       // "ColGaikuLine"
  QString track_name;        // "TrkGaikuLine"; empty for fill rows
  QString font_button_name;  // "BtnFontGai"; empty but for name rows
  QString font_dialog_name;  // "FontDialogGai"
};

// The 44 rows in the layer table's order.
const std::array<RowLayout, settings::kLayerCount>& RowLayouts();

// Sizes and x positions within a group.
constexpr QRect kCheckRect(8, 0, 110, 17);
constexpr QRect kColourRect(120, 0, 89, 22);
constexpr QRect kTrackRect(208, 0, 65, 21);
constexpr QRect kFontButtonRect(120, 0, 88, 21);

}  // namespace sheetwright::ui
