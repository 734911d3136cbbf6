#include "ui/layer_panel.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSlider>

#include "ui/colour_box.h"
#include "ui/font_dialog.h"
#include "ui/layer_layout.h"
#include "ui/text.h"

namespace sheetwright::ui {
namespace {

QRect At(const QRect& rect, int y) { return rect.translated(0, y); }

QSlider* MakeTrackBar(QWidget* parent) {
  auto* track = new QSlider(Qt::Horizontal, parent);
  track->setRange(1, 5);
  track->setSingleStep(1);
  track->setPageStep(1);
  track->setTickInterval(1);
  track->setTickPosition(QSlider::TicksAbove);
  track->setValue(3);
  return track;
}

}  // namespace

LayerPanel::LayerPanel(settings::LayerStyleTable& table, QWidget* parent)
    : QGroupBox("変換レイヤ", parent), table_(table) {
  setObjectName("GroupBox1");
  std::array<QWidget*, kGroupCount> groups{};
  for (int g = 0; g < kGroupCount; ++g) {
    const GroupLayout& layout = GroupLayouts()[g];
    auto* group = new QGroupBox(FromUtf8(layout.caption), this);
    group->setObjectName(FromUtf8(layout.object_name));
    group->setGeometry(layout.geometry);
    groups[g] = group;
  }
  for (int i = 0; i < settings::kLayerCount; ++i) AddRow(i, groups);
  Refresh();
}

void LayerPanel::AddRow(int index, const std::array<QWidget*, kGroupCount>& groups) {
  const RowLayout& layout = RowLayouts()[index];
  const settings::LayerDef& def = *layout.def;
  QWidget* group = groups[layout.group];
  settings::LayerKey key = def.key;
  Row& row = rows_[index];

  row.check = new QCheckBox(FromUtf8(def.caption), group);
  row.check->setObjectName(layout.check_name);
  row.check->setGeometry(At(kCheckRect, layout.y));
  connect(row.check, &QCheckBox::toggled, this,
          [this, key](bool on) { table_.SetEnabled(key, on); });

  // The colour box and track bar stand with their top at the check box's top, less two pixels
  // so that their taller frames centre on its caption.
  row.colour = new ColourBox(group);
  row.colour->setObjectName(layout.colour_name);
  row.colour->setGeometry(At(kColourRect, layout.y - 2));
  connect(row.colour, &ColourBox::ColorChosen, this,
          [this, key](picture::ColorValue value) { table_.SetColor(key, value); });

  if (!layout.track_name.isEmpty()) {
    row.track = MakeTrackBar(group);
    row.track->setObjectName(layout.track_name);
    row.track->setGeometry(At(kTrackRect, layout.y - 2));
    connect(row.track, &QSlider::valueChanged, this,
            [this, key](int step) { table_.SetWidthStep(key, step); });
  }

  if (def.font) {
    // Name rows keep a colour and a width that only the settings file sees.
    row.colour->hide();
    row.track->hide();
    auto* button = new QPushButton("フォント指定", group);
    button->setObjectName(layout.font_button_name);
    button->setGeometry(At(kFontButtonRect, layout.y - 2));
    button->setFont(ReferenceFont("ＭＳ Ｐゴシック", 11));
    settings::FontId id = *def.font;
    QString dialog_name = layout.font_dialog_name;
    connect(button, &QPushButton::clicked, this,
            [this, id, dialog_name] { ChooseFont(id, dialog_name); });
  }
  if (def.hidden_switch) {
    row.check->hide();
    row.colour->hide();
    row.track->hide();
  }
}

void LayerPanel::ChooseFont(settings::FontId id, const QString& dialog_name) {
  if (auto font = FontDialog::Choose(table_.Font(id), dialog_name, window())) {
    table_.SetFont(id, *font);
  }
}

void LayerPanel::Refresh() {
  for (int i = 0; i < settings::kLayerCount; ++i) {
    settings::LayerStyle style = table_.Style(settings::LayerDefs()[i].key);
    Row& row = rows_[i];
    row.check->setChecked(style.enabled);
    row.colour->SetColor(style.color);
    if (row.track) row.track->setValue(style.width_step);
  }
}

}  // namespace sheetwright::ui
