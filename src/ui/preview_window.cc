#include "ui/preview_window.h"

#include <QCloseEvent>
#include <QFrame>
#include <QPushButton>

#include "ui/preview_canvas.h"

namespace sheetwright::ui {

PreviewWindow::PreviewWindow(picture::FontLibrary& fonts, QWidget* main_window)
    : QWidget(main_window, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowStaysOnTopHint),
      main_window_(main_window) {
  setObjectName("FrmPreview");
  setWindowTitle("プレビュー");
  setFixedSize(439, 381);

  auto* panel = new QFrame(this);
  panel->setObjectName("Panel1");
  panel->setGeometry(16, 16, 409, 297);
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setLineWidth(2);
  paint_box_ = new PreviewCanvas(fonts, panel);
  paint_box_->setGeometry(1, -3, 400, 300);

  close_ = new QPushButton("閉じる", this);
  close_->setObjectName("BtnClose");
  close_->setGeometry(352, 328, 65, 41);
  close_->hide();
  connect(close_, &QPushButton::clicked, this, &PreviewWindow::CloseClicked);
  connect(paint_box_, &PreviewCanvas::Rendered, this, &PreviewWindow::ShowCloseWhenDrawn);
}

void PreviewWindow::ShowConverting() {
  ended_ = false;
  close_->hide();
  paint_box_->ShowConverting();
  // The geometry of a window is its client area: that is what is centred, not the frame.
  setGeometry(QRect(main_window_->geometry().center() - rect().center(), size()));
  show();
  raise();
}

void PreviewWindow::ShowDrawing(SheetPtr sheet) { paint_box_->ShowPicture(std::move(sheet)); }

void PreviewWindow::ConversionEnded() {
  ended_ = true;
  ShowCloseWhenDrawn();
}

void PreviewWindow::ShowCloseWhenDrawn() {
  if (ended_ && isVisible() && paint_box_->HasDrawing()) close_->show();
}

bool PreviewWindow::IsShowing() const { return isVisible(); }

void PreviewWindow::CloseClicked() {
  ended_ = false;
  hide();
  close_->hide();
  emit Closed();
}

void PreviewWindow::closeEvent(QCloseEvent* event) {
  // The window manager's close works only where "閉じる" would: once the drawing is on show.
  if (close_->isVisible()) {
    CloseClicked();
  }
  event->ignore();
}

}  // namespace sheetwright::ui
