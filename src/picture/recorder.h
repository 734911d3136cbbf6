// Records drawing operations into a Picture, the way a GDI metafile device
// context does: setting a brush also sets the background mode (transparent for any brush but a solid one,
// which is why the label drawers select a hatched brush), setting a font also sets the text colour.
// The recorder only appends; it never rewrites what is recorded.
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "picture/picture.h"

namespace sheetwright::picture {

class Recorder {
 public:
  explicit Recorder(Picture& picture) : picture_(picture) {}

  void SetPen(PenStyle style, int32_t width, ColorValue color);
  // Records the brush, then the background: solid brush -> opaque with the brush colour as
  // background colour; any other style -> transparent.
  void SetBrush(BrushStyle style, ColorValue color);
  // Records the font, then its colour as the text colour.
  void SetFont(const LabelFont& font);

  void Polyline(std::span<const Point> points);
  void Polygon(std::span<const Point> points);
  void Line(Point from, Point to);
  void Text(Point at, std::string_view bytes);
  void Layer(std::shared_ptr<const Picture> layer);

 private:
  Picture& picture_;
};

}  // namespace sheetwright::picture
