// Playing a picture: the one walk over its records that every drawing back-end shares. The walk
// keeps what a GDI device context keeps between records (picture::DcState), nests the layers the
// way SAVEDC / RESTOREDC do, gives the scale between a layer's frame and its parent's, and passes
// over whatever a damaged picture points at beyond its buffers; a device only draws. A device is
// any type with these calls, `dc` being what the records have selected so far:
//
//   void Polyline(std::span<const picture::Point> points, const picture::DcState& dc);
//   void Line(picture::Point from, picture::Point to, const picture::DcState& dc);
//   void Polygon(std::span<const picture::Point> points, const picture::DcState& dc);
//   void Text(picture::Point at, std::string_view bytes, const picture::DcState& dc);
//   void EnterLayer(const LayerFrame& frame);  // before the layer's records
//   void LeaveLayer(const LayerFrame& frame);  // after them, before the state is given back
//
// and, where it wants them:
//
//   void Select(const picture::PenRec&);  // also BrushRec, LabelFont (of a FontRec),
//                                         // TextColorRec, BkColorRec, BkModeRec
//   void EndOfLines(const picture::DcState& dc);  // lines held back to be joined are due: before
//                                                 // a record that is no line, and at the end of
//                                                 // each picture (a layer's before LeaveLayer)
//   void AfterRecord();  // after each record, a layer record's after the whole layer
//   static constexpr PlayRules kRules{...};
//
// A new kind of record does not compile until the walk handles it, and a device gets a call for
// it or the walk's reason to leave it out.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

#include "picture/picture.h"

namespace sheetwright::output {

// What the walk passes on.
struct PlayRules {
  // False: only what draws on a GDI device: polylines that leave their first point, lines to
  // somewhere else, polygons of two points or more and layers of some width and height. True:
  // every figure and layer as recorded (writers of a file that a GDI player plays itself).
  bool every_figure = false;
  // Whether a layer starts with the stock objects instead of what its parent selected (a walk
  // that looks at each picture on its own).
  bool layers_start_anew = false;
};

// A layer as it is entered: drawn over the whole frame of `outer`, `sx` and `sy` outer units per
// layer unit; `depth` 1 for a layer of the sheet.
struct LayerFrame {
  const picture::Picture& outer;
  const picture::Picture& layer;
  double sx, sy;
  int depth;
};

// A rectangle in the units of a picture's frame.
struct ViewBox {
  double x0, y0, x1, y1;
  ViewBox Grown(double by) const { return {x0 - by, y0 - by, x1 + by, y1 + by}; }
  bool Meets(const ViewBox& other) const {
    return x0 <= other.x1 && other.x0 <= x1 && y0 <= other.y1 && other.y0 <= y1;
  }
};

// A playback for a view of the sheet that zooms in and must answer a newer request at once: the
// figures and labels that cannot touch `visible` (in the sheet's units; none: the whole frame
// shows) are left out, lines are drawn at least every kFiguresPerPiece figures, and `abort` is
// asked every kFiguresPerCheck figures whether to stop. `units_per_pixel` (sheet units per device
// pixel) sizes the margin that antialiasing and the one-pixel minimum pen need.
struct PlayView {
  std::optional<ViewBox> visible;
  double units_per_pixel = 1;
  std::function<bool()> abort;

  static constexpr uint64_t kFiguresPerPiece = 2048;
  static constexpr uint64_t kFiguresPerCheck = 256;
};

namespace playback_internal {

// The bounds a figure or label of the picture being walked must meet to show in a view, in the
// units of that picture, with the sizes that widen a figure beyond its points: the pen's width
// and the label font's em (a layer starts with its parent's, in its own units).
struct Cull {
  std::optional<ViewBox> clip;
  double units_per_pixel = 1;
  double pen_width = picture::PenRec{}.width;
  double em = 12;

  // Antialiasing reaches a little past a figure's geometric edge.
  static constexpr double kEdgePixels = 2;

  Cull ForLayer(const picture::Picture& parent, const picture::Picture& layer) const;
  void Select(const picture::PenRec& r) {
    pen_width = r.style == picture::PenStyle::kNull ? 0 : r.width;
  }
  void Select(const picture::LabelFont& font);
  bool Shows(std::span<const picture::Point> points) const;
  bool Shows(const picture::TextRec& r) const;
};

}  // namespace playback_internal

template <class Device>
class Playback {
 public:
  Playback(Device& device, const PlayView* view) : device_(device), view_(view) {}

  // False when the view's abort stopped it.
  bool Sheet(const picture::Picture& sheet) {
    playback_internal::Cull cull;
    if (view_) cull = {view_->visible, view_->units_per_pixel};
    picture::DcState dc;
    return Records(sheet, dc, cull, 0);
  }

 private:
  static constexpr PlayRules Rules() {
    if constexpr (requires { Device::kRules; }) {
      return Device::kRules;
    } else {
      return {};
    }
  }
  static bool IsLine(const picture::Record& r) {
    return std::holds_alternative<picture::PolylineRec>(r) ||
           std::holds_alternative<picture::LineRec>(r);
  }
  void EndOfLines(const picture::DcState& dc) {
    if constexpr (requires { device_.EndOfLines(dc); }) device_.EndOfLines(dc);
  }
  template <class Setting>
  void Select(const Setting& s) {
    if constexpr (requires { device_.Select(s); }) device_.Select(s);
  }

  bool Records(const picture::Picture& picture, picture::DcState& dc, playback_internal::Cull& cull,
               int depth) {
    for (const picture::Record& record : picture.records) {
      if (!IsLine(record)) EndOfLines(dc);
      if (!Record(picture, record, dc, cull, depth)) return false;
      if constexpr (requires { device_.AfterRecord(); }) device_.AfterRecord();
    }
    EndOfLines(dc);
    return true;
  }

  // False to stop.
  bool Record(const picture::Picture& picture, const picture::Record& record, picture::DcState& dc,
              playback_internal::Cull& cull, int depth) {
    bool go_on = true;
    std::visit(picture::Overloaded{
                   [&](const picture::PenRec& r) {
                     Select(dc.pen = r);
                     cull.Select(r);
                   },
                   [&](const picture::BrushRec& r) { Select(dc.brush = r); },
                   [&](const picture::FontRec& r) {
                     if (const picture::LabelFont* font = picture.Font(r)) {
                       Select(dc.font = *font);
                       cull.Select(*font);
                     }
                   },
                   [&](const picture::TextColorRec& r) {
                     dc.text_color = r.color;
                     Select(r);
                   },
                   [&](const picture::BkColorRec& r) {
                     dc.bk_color = r.color;
                     Select(r);
                   },
                   [&](const picture::BkModeRec& r) {
                     dc.bk_mode = r.mode;
                     Select(r);
                   },
                   [&](const picture::PolylineRec& r) { go_on = Polyline(picture, r, dc, cull); },
                   [&](const picture::PolygonRec& r) { go_on = Polygon(picture, r, dc, cull); },
                   [&](const picture::LineRec& r) { go_on = Line(r, dc, cull); },
                   [&](const picture::TextRec& r) { go_on = Text(picture, r, dc, cull); },
                   [&](const picture::LayerRec& r) { go_on = Layer(picture, r, dc, cull, depth); },
               },
               record);
    return go_on;
  }

  // The points a figure record hands the device under the rules; nothing when it draws nothing.
  template <typename FigureRec>
  std::optional<std::span<const picture::Point>> FigurePoints(const picture::Picture& picture,
                                                              const FigureRec& r) {
    if (!picture.HoldsPoints(r.first, r.count)) return std::nullopt;
    if (Rules().every_figure) return picture.Points(r.first, r.count);
    std::span<const picture::Point> points = picture.Drawn(r);
    if (points.empty()) return std::nullopt;
    return points;
  }
  bool Polyline(const picture::Picture& picture, const picture::PolylineRec& r,
                const picture::DcState& dc, const playback_internal::Cull& cull) {
    auto points = FigurePoints(picture, r);
    if (!points) return true;
    return Figure(
        dc, [&] { return cull.Shows(*points); }, [&] { device_.Polyline(*points, dc); });
  }
  bool Polygon(const picture::Picture& picture, const picture::PolygonRec& r,
               const picture::DcState& dc, const playback_internal::Cull& cull) {
    auto points = FigurePoints(picture, r);
    if (!points) return true;
    return Figure(
        dc, [&] { return cull.Shows(*points); }, [&] { device_.Polygon(*points, dc); });
  }
  bool Line(const picture::LineRec& r, const picture::DcState& dc,
            const playback_internal::Cull& cull) {
    if (r.from == r.to && !Rules().every_figure) return true;
    return Figure(
        dc,
        [&] {
          return cull.Shows(std::array{r.from, r.to});
        },
        [&] { device_.Line(r.from, r.to, dc); });
  }
  bool Text(const picture::Picture& picture, const picture::TextRec& r, const picture::DcState& dc,
            const playback_internal::Cull& cull) {
    if (!picture.HoldsText(r)) return true;
    return Figure(
        dc, [&] { return cull.Shows(r); }, [&] { device_.Text(r.at, picture.Text(r), dc); });
  }

  // Draws a figure unless the view leaves it out; in a view, draws the lines held back at the
  // end of each piece and asks whether to stop at the start of each run of figures.
  template <class Shows, class Draw>
  bool Figure(const picture::DcState& dc, const Shows& shows, const Draw& draw) {
    if (!view_) {
      draw();
      return true;
    }
    if (figures_ % PlayView::kFiguresPerCheck == 0 && view_->abort && view_->abort()) return false;
    if (shows()) draw();
    if (++figures_ % PlayView::kFiguresPerPiece == 0) EndOfLines(dc);
    return true;
  }

  // What a layer selects ends with it; the device sees it left even when the walk stops in it.
  bool Layer(const picture::Picture& outer, const picture::LayerRec& r, const picture::DcState& dc,
             const playback_internal::Cull& cull, int depth) {
    const picture::Picture* layer = outer.Layer(r);
    if (!layer) return true;
    if (!Rules().every_figure && (layer->width <= 0 || layer->height <= 0)) return true;
    LayerFrame frame{outer, *layer, static_cast<double>(outer.width) / layer->width,
                     static_cast<double>(outer.height) / layer->height, depth + 1};
    device_.EnterLayer(frame);
    picture::DcState inner = Rules().layers_start_anew ? picture::DcState{} : dc;
    playback_internal::Cull inner_cull = view_ ? cull.ForLayer(outer, *layer) : cull;
    bool finished = Records(*layer, inner, inner_cull, depth + 1);
    device_.LeaveLayer(frame);
    return finished;
  }

  Device& device_;
  const PlayView* view_;
  uint64_t figures_ = 0;  // seen in a view, drawn or not
};

// Plays `sheet` into `device`; with a view, only what can show in it. False when the view's
// abort stopped the playback.
template <class Device>
bool Play(const picture::Picture& sheet, Device& device, const PlayView* view = nullptr) {
  return Playback<Device>(device, view).Sheet(sheet);
}

}  // namespace sheetwright::output
