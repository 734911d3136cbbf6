// The preview window "プレビュー": the drawing of one mesh reduced into its paint box (1/50 of the
// sheet, 400 x 300), or "プレビュー中" while the mesh converts. Created hidden at start and shown
// for every preview, it stays on top, centred over the main window, with no title-bar buttons;
// "閉じる" appears only once the drawing is on show and ends the preview. The batch shows each
// converted sheet in the paint box too, with the window hidden.
#pragma once

#include <QWidget>

#include "picture/font_library.h"
#include "ui/conversion_job.h"

class QPushButton;

namespace sheetwright::ui {

class PreviewCanvas;

class TFrmPreview : public QWidget {
  Q_OBJECT

 public:
  TFrmPreview(picture::FontLibrary& fonts, QWidget* main_window);

  PreviewCanvas* PaintBox() const { return paint_box_; }

  // Shows the window over the main window in its converting state, without a close button.
  void ShowConverting();
  // Shows `sheet` and the close button.
  void ShowDrawing(SheetPtr sheet);
  // Hides the window and its close button: the preview is over.
  void BtnCloseClick();

 signals:
  void Closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* main_window_;
  QPushButton* close_;
  PreviewCanvas* paint_box_;
};

}  // namespace sheetwright::ui
