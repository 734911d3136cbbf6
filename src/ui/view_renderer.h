// Draws views of a sheet picture into images off the GUI thread, for the preview's paint box. It
// takes the latest request only: a new request replaces one still waiting and makes a running one
// stale, which then stops at its next piece of the picture. Each image goes back to the receiver's
// thread as a queued call, which Qt drops when the receiver is gone.
#pragma once

#include <QImage>
#include <QObject>
#include <QRectF>
#include <QSizeF>
#include <cstdint>
#include <functional>
#include <memory>

#include "picture/picture.h"

namespace sheetwright::picture {
class FontLibrary;
}

namespace sheetwright::ui {

// The sheet so that its frame fills `view` (widget pixels) on an image of `widget_size` at
// `pixel_ratio` device pixels per widget pixel; `generation` names the request.
struct ViewRequest {
  std::shared_ptr<const picture::Picture> sheet;
  QRectF view;
  QSizeF widget_size;
  qreal pixel_ratio = 1;
  uint64_t generation = 0;
};

class ViewRenderer {
 public:
  using Deliver = std::function<void(uint64_t generation, QImage image)>;
  // `deliver` runs on `receiver`'s thread; `fonts` must outlive the renderer.
  ViewRenderer(QObject* receiver, picture::FontLibrary& fonts, Deliver deliver);
  // Stops a render in flight at its next piece and waits for it.
  ~ViewRenderer();
  ViewRenderer(const ViewRenderer&) = delete;
  ViewRenderer& operator=(const ViewRenderer&) = delete;

  void Submit(ViewRequest request);
  // Whatever runs or waits becomes stale; `generation` is the caller's newest.
  void Cancel(uint64_t generation);

 private:
  class Thread;
  std::unique_ptr<Thread> thread_;
};

}  // namespace sheetwright::ui
