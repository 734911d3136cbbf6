#include "ui/preview_canvas.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <utility>

namespace sheetwright::ui {

PreviewCanvas::PreviewCanvas(picture::FontLibrary& fonts, QWidget* parent)
    : QWidget(parent), fonts_(fonts) {
  setObjectName("PaintBox1");
  setFixedSize(400, 300);
  setAttribute(Qt::WA_OpaquePaintEvent);  // every paint covers the whole area
  view_ = rect();
}

PreviewCanvas::~PreviewCanvas() {
  // Joined here, while the canvas is whole: a result posted meanwhile is dropped with the canvas.
  render_thread_.reset();
}

void PreviewCanvas::ShowConverting() {
  DropPicture();
  ready_ = false;
  update();
}

void PreviewCanvas::ShowPicture(std::shared_ptr<const picture::Picture> sheet) {
  DropPicture();
  sheet_ = sheet ? std::move(sheet) : std::make_shared<const picture::Picture>();
  ready_ = true;
  view_ = rect();
  update();
}

void PreviewCanvas::DropPicture() {
  ++generation_;
  if (render_thread_) render_thread_->Cancel(generation_);
  request_open_ = false;
  image_ = QImage();
  whole_image_ = QImage();
  sheet_.reset();
  dragging_ = false;
}

double PreviewCanvas::Zoom() const { return width() > 0 ? view_.width() / width() : 1; }

double PreviewCanvas::MaxZoom() const {
  if (!sheet_ || width() <= 0) return 1;
  return std::max(1.0, kMaxPixelsPerUnit * sheet_->width / width());
}

QPointF PreviewCanvas::SheetPointAt(QPointF widget_point) const {
  double frame_width = sheet_ ? sheet_->width : picture::kFrameWidth;
  double frame_height = sheet_ ? sheet_->height : picture::kFrameHeight;
  return {(widget_point.x() - view_.x()) * frame_width / view_.width(),
          (widget_point.y() - view_.y()) * frame_height / view_.height()};
}

void PreviewCanvas::ZoomAt(QPointF widget_point, double factor) {
  if (!ready_ || !(factor > 0)) return;
  double zoom = Zoom();
  double wanted = std::clamp(zoom * factor, 1.0, MaxZoom());
  double f = wanted / zoom;
  SetView(QRectF(widget_point + (view_.topLeft() - widget_point) * f, view_.size() * f));
}

void PreviewCanvas::PanBy(QPointF delta) {
  if (ready_) SetView(view_.translated(delta));
}

void PreviewCanvas::ShowWholeSheet() {
  if (ready_) SetView(rect());
}

// Keeps the sheet covering the whole area: no zooming out past the whole sheet, no panning past
// its edges.
void PreviewCanvas::SetView(QRectF view) {
  if (view.width() <= width() * (1 + 1e-9)) {
    view = rect();
  } else {
    view.moveLeft(std::clamp(view.x(), width() - view.width(), 0.0));
    view.moveTop(std::clamp(view.y(), height() - view.height(), 0.0));
  }
  if (view == view_) return;
  view_ = view;
  update();
  // Back to the whole sheet: its drawing is kept, as it takes longest to make.
  if (view_ == QRectF(rect()) && !whole_image_.isNull() && image_view_ != view_ &&
      whole_image_.size() == (QSizeF(size()) * devicePixelRatioF()).toSize()) {
    ++generation_;
    if (render_thread_) render_thread_->Cancel(generation_);
    request_open_ = false;
    image_ = whole_image_;
    image_view_ = view_;
    emit Rendered();
  }
}

void PreviewCanvas::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  if (ready_ && !whole_image_.isNull()) {
    PaintPicture(painter);
  } else if (ready_) {
    PaintConverting(painter);  // the first drawing is on its way
    RequestRender();
  } else {
    PaintConverting(painter);
  }
}

void PreviewCanvas::PaintConverting(QPainter& painter) {
  QFont font = this->font();  // the window's face
  font.setPointSizeF(30);
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.setBackgroundMode(Qt::OpaqueMode);
  painter.setBackground(Qt::white);
  painter.drawText(QRectF(10, 10, width(), height()), Qt::AlignLeft | Qt::AlignTop,
                   QStringLiteral("プレビュー中"));
}

void PreviewCanvas::PaintPicture(QPainter& painter) {
  if (!image_.isNull() && image_view_ == view_) {
    painter.drawImage(QPointF(0, 0), image_);
  } else {
    // Until the sharp drawing arrives, the whole sheet and the last view are shown moved and
    // scaled to where the current view puts them: the wheel and the drag answer at once even on
    // a sheet that takes long to draw, and what the last view did not cover is not left blank.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    auto draw_moved = [&](const QImage& image, QRectF image_view) {
      if (image.isNull()) return;
      double kx = view_.width() / image_view.width();
      double ky = view_.height() / image_view.height();
      QSizeF size = image.deviceIndependentSize();
      QRectF target(view_.x() - image_view.x() * kx, view_.y() - image_view.y() * ky,
                    size.width() * kx, size.height() * ky);
      painter.drawImage(target, image, QRectF(image.rect()));
    };
    draw_moved(whole_image_, rect());
    if (image_view_ != QRectF(rect())) draw_moved(image_, image_view_);
  }
  RequestRender();
}

void PreviewCanvas::RequestRender() {
  if (!ready_ || !sheet_) return;
  qreal ratio = devicePixelRatioF();
  QSize pixels = (QSizeF(size()) * ratio).toSize();
  if (!image_.isNull() && image_view_ == view_ && image_.size() == pixels) return;
  if (request_open_ && requested_view_ == view_ && requested_pixels_ == pixels) return;
  ++generation_;
  request_open_ = true;
  requested_view_ = view_;
  requested_pixels_ = pixels;
  if (!render_thread_)
    render_thread_ = std::make_unique<ViewRenderer>(
        this, fonts_,
        [this](uint64_t generation, QImage image) { AcceptRender(generation, std::move(image)); });
  render_thread_->Submit(ViewRequest{sheet_, view_, QSizeF(size()), ratio, generation_});
}

void PreviewCanvas::AcceptRender(uint64_t generation, QImage image) {
  if (generation != generation_) return;  // a newer request or another picture came meanwhile
  request_open_ = false;
  image_ = std::move(image);
  image_view_ = requested_view_;
  if (image_view_ == QRectF(rect())) whole_image_ = image_;
  update();
  if (image_view_ == view_) emit Rendered();
}

void PreviewCanvas::resizeEvent(QResizeEvent*) {
  if (ready_) SetView(rect());
}

void PreviewCanvas::wheelEvent(QWheelEvent* event) {
  int delta = event->angleDelta().y();
  if (!ready_ || delta == 0) {
    event->ignore();
    return;
  }
  ZoomAt(event->position(), std::pow(kWheelStepFactor, delta / 120.0));
  event->accept();
}

void PreviewCanvas::mousePressEvent(QMouseEvent* event) {
  if (!ready_ || event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  dragging_ = true;
  drag_start_ = event->position();
  drag_view_ = view_;
  setCursor(Qt::ClosedHandCursor);
}

void PreviewCanvas::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) {
    QWidget::mouseMoveEvent(event);
    return;
  }
  SetView(drag_view_.translated(event->position() - drag_start_));
}

void PreviewCanvas::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragging_ || event->button() != Qt::LeftButton) {
    QWidget::mouseReleaseEvent(event);
    return;
  }
  dragging_ = false;
  unsetCursor();
}

void PreviewCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
  if (ready_ && event->button() == Qt::LeftButton) {
    ShowWholeSheet();
  } else {
    QWidget::mouseDoubleClickEvent(event);
  }
}

}  // namespace sheetwright::ui
