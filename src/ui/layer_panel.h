// The layer panel "GroupBox1" ("変換レイヤ"): the thirteen groups and 44 layer rows of
// layer_layout.h, each row a switch, a colour box, a width track bar and, on name rows, a font
// button. The rows mirror the layer style table: a change in a control is written to the table at
// once (the conversion reads the table, never the controls), and Refresh shows the table's values.
#pragma once

#include <QGroupBox>
#include <array>

#include "settings/layer_styles.h"
#include "ui/layer_layout.h"

class QCheckBox;
class QPushButton;
class QSlider;

namespace sheetwright::ui {

class ColourBox;

class LayerPanel : public QGroupBox {
  Q_OBJECT

 public:
  LayerPanel(settings::LayerStyleTable& table, QWidget* parent = nullptr);

  // Shows every value of the table, hidden controls included.
  void Refresh();

 private:
  struct Row {
    QCheckBox* check = nullptr;
    ColourBox* colour = nullptr;
    QSlider* track = nullptr;  // absent on fill rows
  };

  void AddRow(int index, const std::array<QWidget*, kGroupCount>& groups);
  void ChooseFont(settings::FontId id, const QString& dialog_name);

  settings::LayerStyleTable& table_;
  std::array<Row, settings::kLayerCount> rows_{};
};

}  // namespace sheetwright::ui
