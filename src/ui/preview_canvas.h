// The paint area of the preview window ("PaintBox1"): 400 x 300 pixels on white that reads
// "プレビュー中" while a mesh converts, and until the first drawing of its sheet is made, and then
// shows the whole sheet picture reduced 1/50. Beyond
// that, the user can look closer: the mouse wheel zooms around the pointer, dragging with the left
// button pans, a double click returns to the whole sheet. Every view is drawn afresh from the
// vector picture by the core's Cairo renderer on a thread of the canvas, so the window never waits
// for a drawing; until the sharp image of a new view arrives, the previous one is shown moved and
// scaled into place. Nothing is drawn while the canvas is hidden, so the batch can hand it every
// sheet at no cost. To store a drawing use output::StoreImage; this is only for looking.
#pragma once

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "picture/picture.h"
#include "ui/view_renderer.h"

namespace sheetwright::picture {
class FontLibrary;
}

namespace sheetwright::ui {

class PreviewCanvas : public QWidget {
  Q_OBJECT

 public:
  // The most a view enlarges: two pixels per drawing unit, well past the finest detail of a sheet.
  static constexpr double kMaxPixelsPerUnit = 2.0;
  // One notch of the mouse wheel.
  static constexpr double kWheelStepFactor = 1.25;

  // `fonts` must outlive the canvas; it is used from the canvas's render thread.
  explicit PreviewCanvas(picture::FontLibrary& fonts, QWidget* parent = nullptr);
  // Cancels a render in flight and waits for it only up to its next piece (a few thousand figures,
  // milliseconds).
  ~PreviewCanvas() override;

  // Not ready: "プレビュー中". Drops the picture shown before.
  void ShowConverting();
  // Ready: the whole of `sheet` (null: an empty sheet), the zoom reset. Cheap while hidden: the
  // drawing is made when the canvas is next painted.
  void ShowPicture(std::shared_ptr<const picture::Picture> sheet);
  bool IsReady() const { return ready_; }
  // A drawing of the whole sheet is on show (until then the canvas still reads "プレビュー中").
  bool HasDrawing() const { return ready_ && !whole_image_.isNull(); }

  // Where the whole sheet frame lies in widget coordinates; rect() when the whole sheet is shown.
  QRectF SheetRect() const { return view_; }
  // 1 for the whole sheet, up to MaxZoom().
  double Zoom() const;
  double MaxZoom() const;
  // The point of the sheet (in drawing units of its frame) under a widget point.
  QPointF SheetPointAt(QPointF widget_point) const;

  // Zooms by `factor` around `widget_point` (which keeps its sheet point unless a limit is hit),
  // pans by `delta` pixels, or returns to the whole sheet. What the mouse does, for the window too.
  void ZoomAt(QPointF widget_point, double factor);
  void PanBy(QPointF delta);
  void ShowWholeSheet();

 signals:
  // A sharp drawing of the current view is in place: the canvas has asked for its repaint (or, when
  // hidden, its next paint shows it). Emitted when the render thread delivers one, and at once on
  // the way back to the whole sheet, whose drawing is kept.
  void Rendered();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void SetView(QRectF view);
  void PaintPicture(QPainter& painter);
  void PaintConverting(QPainter& painter);
  // Asks the render thread for the current view unless that is already on show or on its way.
  void RequestRender();
  void AcceptRender(uint64_t generation, QImage image);
  void DropPicture();

  picture::FontLibrary& fonts_;
  std::unique_ptr<ViewRenderer> render_thread_;

  bool ready_ = false;
  std::shared_ptr<const picture::Picture> sheet_;
  QRectF view_;

  // The latest request (generation, view, size in device pixels), the last delivered image with
  // the view it was drawn for, and the last drawing of the whole sheet. Each is of the current
  // picture: a new one drops them.
  uint64_t generation_ = 0;
  bool request_open_ = false;
  QRectF requested_view_;
  QSize requested_pixels_;
  QImage image_;
  QRectF image_view_;
  QImage whole_image_;

  bool dragging_ = false;
  QPointF drag_start_;
  QRectF drag_view_;
};

}  // namespace sheetwright::ui
