#include "ui/view_renderer.h"

#include <cairo.h>

#include <QMetaObject>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "output/raster/view_playback.h"
#include "picture/font_library.h"

namespace sheetwright::ui {
namespace {

using picture::Picture;

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
  output::ViewBox visible{-view.x() * sx, -view.y() * sy, (widget_size.width() - view.x()) * sx,
                          (widget_size.height() - view.y()) * sy};
  bool whole =
      visible.x0 <= 0 && visible.y0 <= 0 && visible.x1 >= sheet.width && visible.y1 >= sheet.height;
  output::RenderPictureView(sheet, cr, view.width(), view.height(),
                            whole ? std::nullopt : std::optional<output::ViewBox>(visible),
                            std::max(sx, sy) / pixel_ratio, fonts, stale);

  cairo_destroy(cr);
  cairo_surface_flush(surface);
  cairo_surface_destroy(surface);
  return image;
}

}  // namespace

// One thread per renderer. It takes the latest request only: a new
// request replaces one still waiting and makes a running one stale, which then stops at its next
// piece. Results go back to the canvas as queued calls, which Qt drops if the canvas is gone.
class ViewRenderer::Thread {
 public:
  Thread(QObject* receiver, picture::FontLibrary& fonts, Deliver deliver)
      : receiver_(receiver),
        fonts_(fonts),
        deliver_(std::move(deliver)),
        thread_([this] { Run(); }) {}

  ~Thread() {
    stop_ = true;
    {
      std::lock_guard lock(mutex_);
      pending_.reset();
    }
    wake_.notify_one();
    thread_.join();
  }

  void Submit(ViewRequest job) {
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
      ViewRequest job;
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
          receiver_,
          [deliver = deliver_, generation = job.generation, image = std::move(image)]() mutable {
            deliver(generation, std::move(image));
          },
          Qt::QueuedConnection);
    }
  }

  QObject* receiver_;
  picture::FontLibrary& fonts_;
  Deliver deliver_;
  std::atomic<bool> stop_ = false;
  std::atomic<uint64_t> latest_ = 0;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<ViewRequest> pending_;
  std::thread thread_;  // last: it starts once the rest is set up
};

ViewRenderer::ViewRenderer(QObject* receiver, picture::FontLibrary& fonts, Deliver deliver)
    : thread_(std::make_unique<Thread>(receiver, fonts, std::move(deliver))) {}

ViewRenderer::~ViewRenderer() = default;

void ViewRenderer::Submit(ViewRequest request) { thread_->Submit(std::move(request)); }

void ViewRenderer::Cancel(uint64_t generation) { thread_->Cancel(generation); }

}  // namespace sheetwright::ui
