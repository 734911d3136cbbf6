// Recorded pictures: the sheet of one mesh and each of its layers. A picture is a list of plain
// records over one contiguous point buffer and one text buffer; the drawing backends play them
// through one walk (output/playback.h), which visits the records with std::visit over an overload
// set, so a new record type does not compile until it is handled. Record through Recorder
// (recorder.h).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "picture/colour.h"
#include "picture/label_font.h"

namespace sheetwright::picture {

// The drawing space of every sheet and layer, in drawing units.
constexpr int32_t kFrameWidth = 20000;
constexpr int32_t kFrameHeight = 15000;
// The frame is the mesh in map coordinates at this many units per metre, with y running south
// from the frame's top (drawers/geometry.h maps so): a unit (x, y) is the easting x / 10 m and the
// northing (kFrameHeight - y) / 10 m.
constexpr int32_t kUnitsPerMetre = 10;

struct Point {
  int32_t x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

struct Picture;

enum class PenStyle : uint8_t { kSolid, kNull };
enum class BrushStyle : uint8_t { kSolid, kDiagCross, kNull };
enum class BkMode : uint8_t { kTransparent = 1, kOpaque = 2 };

struct PenRec {
  PenStyle style = PenStyle::kSolid;
  int32_t width = 1;
  ColorValue color = 0;
};
struct BrushRec {
  BrushStyle style = BrushStyle::kSolid;
  ColorValue color = 0xFFFFFF;
};
// Font `index` of the picture's fonts.
struct FontRec {
  uint32_t index = 0;
};
struct TextColorRec {
  ColorValue color = 0;
};
struct BkColorRec {
  ColorValue color = 0xFFFFFF;
};
struct BkModeRec {
  BkMode mode = BkMode::kOpaque;
};
// Points [first, first + count) of the picture's point buffer.
struct PolylineRec {
  uint32_t first = 0, count = 0;
};
struct PolygonRec {  // filled with the alternate (even-odd) rule
  uint32_t first = 0, count = 0;
};
struct LineRec {  // move-to, line-to
  Point from, to;
};
// Bytes [first, first + length) of the picture's text buffer, as read from the map data (CP932),
// written with the text's top-left corner at `at`.
struct TextRec {
  Point at;
  uint32_t first = 0, length = 0;
};
// Layer `index` of the picture's layers: a whole picture drawn at (0, 0) at full frame size; what
// it selects ends with it.
struct LayerRec {
  uint32_t index = 0;
};

// Every record is a few plain words, so a long list of them is cheap to grow and to copy.
using Record = std::variant<PenRec, BrushRec, FontRec, TextColorRec, BkColorRec, BkModeRec,
                            PolylineRec, PolygonRec, LineRec, TextRec, LayerRec>;
static_assert(std::is_trivially_copyable_v<Record> && sizeof(Record) <= 20);

struct Picture {
  int32_t width = kFrameWidth;
  int32_t height = kFrameHeight;
  std::vector<Record> records;
  std::vector<Point> points;
  std::string text;
  std::vector<LabelFont> fonts;
  std::vector<std::shared_ptr<const Picture>> layers;
  // For writers that keep layers apart: the map layer's settings key ("GAIKU_LINE") and its row
  // caption ("街区境界線"), UTF-8; empty when unnamed. The sheet is named after what it draws
  // directly, the corner marks.
  std::string id, label;

  // Whether a record's range lies within the buffers (the recorder makes no other; only a
  // damaged picture holds one that does not).
  bool HoldsPoints(uint32_t first, uint32_t count) const {
    return first <= points.size() && count <= points.size() - first;
  }
  bool HoldsText(const TextRec& t) const {
    return t.first <= text.size() && t.length <= text.size() - t.first;
  }
  std::span<const Point> Points(uint32_t first, uint32_t count) const {
    return std::span<const Point>(points).subspan(first, count);
  }
  // The points of a figure as a GDI device draws them;
  // empty when it draws nothing: a range outside the buffer, a polyline that never leaves its
  // first point (round caps would make a dot of it), a polygon of fewer than two points.
  std::span<const Point> Drawn(const PolylineRec& r) const {
    if (!HoldsPoints(r.first, r.count)) return {};
    std::span<const Point> figure = Points(r.first, r.count);
    for (const Point& p : figure) {
      if (!(p == figure[0])) return figure;
    }
    return {};
  }
  std::span<const Point> Drawn(const PolygonRec& r) const {
    if (r.count < 2 || !HoldsPoints(r.first, r.count)) return {};
    return Points(r.first, r.count);
  }
  std::string_view Text(const TextRec& t) const {
    return std::string_view(text).substr(t.first, t.length);
  }
  // Null for an index the picture does not hold (only a damaged picture has one).
  const LabelFont* Font(const FontRec& r) const {
    return r.index < fonts.size() ? &fonts[r.index] : nullptr;
  }
  const Picture* Layer(const LayerRec& r) const {
    return r.index < layers.size() ? layers[r.index].get() : nullptr;
  }
};

// What a device context holds between records while a backend plays a picture: the selected
// objects and text settings. A new context starts with the stock objects (black pen, white
// brush, black text, opaque white background), which are also the defaults of the records.
struct DcState {
  PenRec pen;
  BrushRec brush;
  LabelFont font;
  ColorValue text_color = 0;
  ColorValue bk_color = 0xFFFFFF;
  BkMode bk_mode = BkMode::kOpaque;
};

// Helper for std::visit with lambdas.
template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

}  // namespace sheetwright::picture
