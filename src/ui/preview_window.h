// The preview window "プレビュー": the drawing of one mesh reduced into its paint box (1/50 of the
// sheet, 400 x 300), or "プレビュー中" while the mesh converts. Created hidden at start and shown
// for every preview, it stays on top, its client area centred over the main window's, with no
// title-bar buttons. The preview shows "プレビュー中" until its conversion has ended and the first
// whole drawing is on screen; only then does "閉じる" appear, which ends the preview. The batch
// shows each converted sheet in the paint box too, with the window hidden.
#pragma once

#include <QWidget>

#include "picture/font_library.h"
#include "ui/conversion_job.h"

class QPushButton;

namespace sheetwright::ui {

class PreviewCanvas;

class PreviewWindow : public QWidget {
  Q_OBJECT

 public:
  PreviewWindow(picture::FontLibrary& fonts, QWidget* main_window);

  PreviewCanvas* PaintBox() const { return paint_box_; }

  // Shows the window over the main window in its converting state, without a close button.
  void ShowConverting();
  // Hands over the converted `sheet`; it is drawn while the window still reads "プレビュー中".
  void ShowDrawing(SheetPtr sheet);
  // The conversion has ended: the close button appears once the drawing is on screen.
  void ConversionEnded();
  bool IsShowing() const;
  // Hides the window and its close button: the preview is over.
  void CloseClicked();

 signals:
  void Closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void ShowCloseWhenDrawn();

  QWidget* main_window_;
  bool ended_ = false;
  QPushButton* close_;
  PreviewCanvas* paint_box_;
};

}  // namespace sheetwright::ui
