#include "ui/frm_preview.h"

#include <QCloseEvent>
#include <QFrame>
#include <QPushButton>

#include "ui/preview_canvas.h"

namespace sheetwright::ui {

TFrmPreview::TFrmPreview(picture::FontLibrary& fonts, QWidget* main_window)
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
  connect(close_, &QPushButton::clicked, this, &TFrmPreview::BtnCloseClick);
}

void TFrmPreview::ShowConverting() {
  close_->hide();
  paint_box_->ShowConverting();
  move(main_window_->geometry().center() - rect().center());
  show();
  raise();
}

void TFrmPreview::ShowDrawing(SheetPtr sheet) {
  paint_box_->ShowPicture(std::move(sheet));
  close_->show();
}

void TFrmPreview::BtnCloseClick() {
  hide();
  close_->hide();
  emit Closed();
}

void TFrmPreview::closeEvent(QCloseEvent* event) {
  // The window manager's close works only where "閉じる" would: once the drawing is on show.
  if (close_->isVisible()) {
    BtnCloseClick();
  }
  event->ignore();
}

}  // namespace sheetwright::ui
