#include "ui/preview_canvas.h"

#include <cairo.h>

#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "output/cairo_renderer.h"
#include "picture/font_library.h"

namespace sheetwright::ui {
namespace {

using picture::Picture;
using picture::Record;

// The figures drawn between two checks for a newer request: a few milliseconds of drawing.
constexpr size_t kFiguresPerPiece = 2048;
// Antialiasing reaches a little past a figure's geometric edge.
constexpr double kEdgePixels = 2;

struct Box {
  double x0, y0, x1, y1;
  Box Grown(double by) const { return {x0 - by, y0 - by, x1 + by, y1 + by}; }
  bool Meets(const Box& other) const {
    return x0 <= other.x1 && other.x0 <= x1 && y0 <= other.y1 && other.y0 <= y1;
  }
};

Box Bounds(std::span<const picture::Point> points) {
  Box box{1e300, 1e300, -1e300, -1e300};
  for (const picture::Point& p : points) {
    box.x0 = std::min<double>(box.x0, p.x);
    box.x1 = std::max<double>(box.x1, p.x);
    box.y0 = std::min<double>(box.y0, p.y);
    box.y1 = std::max<double>(box.y1, p.y);
  }
  return box;
}

bool ValidRange(const Picture& picture, uint32_t first, uint32_t count) {
  return first <= picture.points.size() && count <= picture.points.size() - first;
}

// The records that only select (pen, brush, font, text colour, background colour and mode), by
// their place in the Record variant: a player keeps the last of each kind and nothing else.
constexpr size_t kSettingKinds = 6;
bool IsSetting(const Record& record) { return record.index() < kSettingKinds; }

Picture EmptyLike(const Picture& picture) {
  Picture empty;
  empty.width = picture.width;
  empty.height = picture.height;
  empty.fonts = picture.fonts;  // font records keep their indices
  return empty;
}

// The sizes a culling decision needs from what a player has selected: the pen's width and the
// label font's em, in the units of the picture being walked (a layer starts with its parent's).
struct SelectedSizes {
  double pen_width = picture::PenRec{}.width;
  double em = 12;

  SelectedSizes Scaled(double by) const { return {pen_width * by, em * by}; }
};

// Copies records of a picture without the figures and labels that cannot touch `clip` (in the
// picture's units), so that a zoomed view does not stroke the whole sheet to show a corner of it.
// `units_per_pixel` sizes the margin that antialiasing and the one-pixel minimum pen need. Without
// a clip nothing is left out.
class Culler {
 public:
  explicit Culler(std::optional<Box> clip, double units_per_pixel)
      : clip_(clip), units_per_pixel_(units_per_pixel) {}

  // The same clip in the units of `layer`, a layer of `parent`; `by` is set to the scale.
  Culler ForLayer(const Picture& parent, const Picture& layer, double& by) const {
    double sx = static_cast<double>(layer.width) / parent.width;
    double sy = static_cast<double>(layer.height) / parent.height;
    by = std::max(sx, sy);
    if (!clip_) return Culler(std::nullopt, units_per_pixel_ * by);
    return Culler(Box{clip_->x0 * sx, clip_->y0 * sy, clip_->x1 * sx, clip_->y1 * sy},
                  units_per_pixel_ * by);
  }

  // Appends `record` (not a layer: the caller splits those) unless it cannot show.
  void Append(const Picture& from, const Record& record, SelectedSizes& sizes, Picture& to) const {
    auto touches = [&](const Box& bounds, double reach) {
      return !clip_ || bounds.Meets(clip_->Grown(reach + kEdgePixels * units_per_pixel_));
    };
    double half_pen = std::max(0.5 * sizes.pen_width, 0.5 * units_per_pixel_);
    auto copy_points = [&](uint32_t first, uint32_t count) {
      auto at = static_cast<uint32_t>(to.points.size());
      auto points = from.Points(first, count);
      to.points.insert(to.points.end(), points.begin(), points.end());
      return at;
    };
    std::visit(
        picture::Overloaded{
            [&](const picture::PenRec& r) {
              sizes.pen_width = r.style == picture::PenStyle::kNull ? 0 : r.width;
              to.records.push_back(record);
            },
            [&](const picture::FontRec& r) {
              // The em of a label font is at most its height either way (a positive height is
              // the whole cell); 0 is the default size.
              if (const picture::LabelFont* font = from.Font(r)) {
                sizes.em = font->height == 0 ? 12 : std::abs(static_cast<double>(font->height));
              }
              to.records.push_back(record);
            },
            [&](const picture::PolylineRec& r) {
              if (!ValidRange(from, r.first, r.count)) return;
              if (!touches(Bounds(from.Points(r.first, r.count)), half_pen)) return;
              to.records.emplace_back(picture::PolylineRec{copy_points(r.first, r.count), r.count});
            },
            [&](const picture::PolygonRec& r) {
              if (!ValidRange(from, r.first, r.count)) return;
              if (!touches(Bounds(from.Points(r.first, r.count)), half_pen)) return;
              to.records.emplace_back(picture::PolygonRec{copy_points(r.first, r.count), r.count});
            },
            [&](const picture::LineRec& r) {
              if (touches(Bounds(std::array{r.from, r.to}), half_pen)) to.records.push_back(record);
            },
            [&](const picture::TextRec& r) {
              if (r.first > from.text.size() || r.length > from.text.size() - r.first) return;
              // No character is wider than an em, not even a single-byte one, nor is the cell
              // with its underline taller than two; an em of room all round covers any overhang.
              Box bounds{r.at.x - sizes.em, r.at.y - sizes.em, r.at.x + (r.length + 1.0) * sizes.em,
                         r.at.y + 3 * sizes.em};
              if (!touches(bounds, 0)) return;
              auto at = static_cast<uint32_t>(to.text.size());
              to.text.append(from.Text(r));
              to.records.emplace_back(picture::TextRec{r.at, at, r.length});
            },
            [&](const picture::LayerRec&) {},
            [&](const auto&) { to.records.push_back(record); },
        },
        record);
  }

 private:
  std::optional<Box> clip_;
  double units_per_pixel_;
};

using PieceSink = std::function<void(Picture&&)>;

// Splits `picture` into pieces of at most kFiguresPerPiece figures each (a layer's figures into
// pieces of the layer), every piece a picture of its own that starts with the settings selected
// before it. A player keeps nothing else between records, so the pieces drawn in order give the
// pixels of one pass, and between them a render that a newer request made stale can stop.
// `sizes` is what the picture starts with (a layer, its parent's).
void SplitIntoPieces(const Picture& picture, const Culler& culler, SelectedSizes sizes,
                     const PieceSink& deliver, const std::function<bool()>& stale) {
  std::array<std::optional<Record>, kSettingKinds> selected;
  auto start_piece = [&] {
    Picture piece = EmptyLike(picture);
    for (const auto& setting : selected) {
      if (setting) piece.records.push_back(*setting);
    }
    return piece;
  };
  Picture piece = start_piece();
  size_t figures = 0, drawn = 0;
  auto finish_piece = [&] {
    if (drawn > 0) deliver(std::move(piece));
    piece = start_piece();
    figures = drawn = 0;
  };
  for (const Record& record : picture.records) {
    if (figures % 256 == 0 && stale()) return;
    if (const auto* r = std::get_if<picture::LayerRec>(&record)) {
      const Picture* layer = picture.Layer(*r);
      if (!layer || layer->width <= 0 || layer->height <= 0) continue;
      finish_piece();
      double by = 1;
      Culler inner = culler.ForLayer(picture, *layer, by);
      SplitIntoPieces(
          *layer, inner, sizes.Scaled(by),
          [&](Picture&& layer_piece) {
            Picture outer = start_piece();
            outer.records.emplace_back(picture::LayerRec{0});
            outer.layers.push_back(std::make_shared<const Picture>(std::move(layer_piece)));
            deliver(std::move(outer));
          },
          stale);
      continue;
    }
    size_t before = piece.records.size();
    culler.Append(picture, record, sizes, piece);
    if (IsSetting(record)) {
      selected[record.index()] = record;
      continue;
    }
    if (piece.records.size() > before) ++drawn;
    if (++figures >= kFiguresPerPiece) finish_piece();
  }
  finish_piece();
}

// Draws the sheet so that its frame fills `view` (widget pixels) on an image of `widget_size`
// at `pixel_ratio` device pixels per widget pixel, white underneath. The one place that knows how
// a view becomes pixels: on the image the renderer takes its rasterizer path, as for PNG files.
QImage RenderView(const Picture& sheet, QRectF view, QSizeF widget_size, qreal pixel_ratio,
                  picture::FontLibrary& fonts, const std::function<bool()>& stale) {
  QImage image((widget_size * pixel_ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(pixel_ratio);
  image.fill(Qt::white);
  if (image.isNull() || sheet.width <= 0 || sheet.height <= 0 || view.isEmpty()) return image;

  // Format_ARGB32_Premultiplied is CAIRO_FORMAT_ARGB32 on this (little-endian) platform, with
  // the same 32-bit-aligned rows.
  cairo_surface_t* surface =
      cairo_image_surface_create_for_data(image.bits(), CAIRO_FORMAT_ARGB32, image.width(),
                                          image.height(), static_cast<int>(image.bytesPerLine()));
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, pixel_ratio, pixel_ratio);
  cairo_translate(cr, view.x(), view.y());

  // The part of the frame on show, in sheet units; the whole frame needs no culling.
  double sx = sheet.width / view.width(), sy = sheet.height / view.height();
  Box visible{-view.x() * sx, -view.y() * sy, (widget_size.width() - view.x()) * sx,
              (widget_size.height() - view.y()) * sy};
  bool whole =
      visible.x0 <= 0 && visible.y0 <= 0 && visible.x1 >= sheet.width && visible.y1 >= sheet.height;
  Culler culler(whole ? std::nullopt : std::optional<Box>(visible), std::max(sx, sy) / pixel_ratio);
  SplitIntoPieces(
      sheet, culler, SelectedSizes{},
      [&](Picture&& piece) {
        if (!stale()) output::RenderPicture(piece, cr, view.width(), view.height(), fonts);
      },
      stale);

  cairo_destroy(cr);
  cairo_surface_flush(surface);
  cairo_surface_destroy(surface);
  return image;
}

}  // namespace

struct PreviewCanvas::RenderJob {
  std::shared_ptr<const Picture> sheet;
  QRectF view;
  QSizeF widget_size;
  qreal pixel_ratio = 1;
  uint64_t generation = 0;
};

// One thread per canvas, started on the first request. It takes the latest request only: a new
// request replaces one still waiting and makes a running one stale, which then stops at its next
// piece. Results go back to the canvas as queued calls, which Qt drops if the canvas is gone.
class PreviewCanvas::RenderThread {
 public:
  RenderThread(PreviewCanvas* canvas, picture::FontLibrary& fonts)
      : canvas_(canvas), fonts_(fonts), thread_([this] { Run(); }) {}

  ~RenderThread() {
    stop_ = true;
    {
      std::lock_guard lock(mutex_);
      pending_.reset();
    }
    wake_.notify_one();
    thread_.join();
  }

  void Submit(RenderJob job) {
    latest_ = job.generation;
    {
      std::lock_guard lock(mutex_);
      pending_ = std::move(job);
    }
    wake_.notify_one();
  }

  // Whatever runs or waits becomes stale; `generation` is the canvas's newest.
  void Cancel(uint64_t generation) {
    latest_ = generation;
    std::lock_guard lock(mutex_);
    pending_.reset();
  }

 private:
  void Run() {
    for (;;) {
      RenderJob job;
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [&] { return stop_ || pending_.has_value(); });
        if (stop_) return;
        job = std::move(*pending_);
        pending_.reset();
      }
      std::function<bool()> stale = [&] { return stop_ || latest_ != job.generation; };
      QImage image =
          RenderView(*job.sheet, job.view, job.widget_size, job.pixel_ratio, fonts_, stale);
      if (stale()) continue;
      QMetaObject::invokeMethod(
          canvas_,
          [canvas = canvas_, generation = job.generation, image = std::move(image)]() mutable {
            canvas->AcceptRender(generation, std::move(image));
          },
          Qt::QueuedConnection);
    }
  }

  PreviewCanvas* canvas_;
  picture::FontLibrary& fonts_;
  std::atomic<bool> stop_ = false;
  std::atomic<uint64_t> latest_ = 0;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<RenderJob> pending_;
  std::thread thread_;  // last: it starts once the rest is set up
};

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
  sheet_ = sheet ? std::move(sheet) : std::make_shared<const Picture>();
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
  if (!render_thread_) render_thread_ = std::make_unique<RenderThread>(this, fonts_);
  render_thread_->Submit(RenderJob{sheet_, view_, QSizeF(size()), ratio, generation_});
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
