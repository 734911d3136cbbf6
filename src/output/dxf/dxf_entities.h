// The entities of a DXF drawing: plays a sheet picture and writes what it draws in map metres,
// on the CAD layer of each map layer, in drawing order. Internal to the DXF writer (dxf_writer.h).
#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/messages.h"
#include "output/dxf/dxf_colours.h"
#include "output/dxf/dxf_document.h"
#include "output/dxf/dxf_groups.h"
#include "output/geometry/triangulate.h"
#include "output/playback.h"
#include "picture/picture.h"

namespace sheetwright::picture {
class FontLibrary;
}

namespace sheetwright::output::dxf {

class Entities {
 public:
  // Entities take handles from `first_handle` on (release 2010).
  Entities(GroupWriter& out, const DocumentInfo& info, picture::FontLibrary& fonts,
           base::MessageSink& sink, uint64_t first_handle)
      : out_(out), info_(info), fonts_(fonts), sink_(sink), next_handle_(first_handle) {
    for (picture::Rgb fill : info.fills) fill_indexes_.set(static_cast<size_t>(NearestAci(fill)));
  }

  // `layer_of` gives a picture's index in info.layers, or -1 when it draws on the layer of the
  // picture that holds it.
  // The sheet's frame has its south-west corner at (east_m, north_m) (a mosaic's sheet).
  void Sheet(const picture::Picture& sheet,
             const std::function<int(const picture::Picture&)>& layer_of, double east_m = 0,
             double north_m = 0);

 private:
  // Frame units (tenths of a metre) per unit of the picture being played.
  struct Scale {
    double x = 1, y = 1;
  };

  template <class>
  friend class output::Playback;

  void Polyline(std::span<const picture::Point> points, const picture::DcState& dc);
  void Line(picture::Point from, picture::Point to, const picture::DcState& dc);
  void Polygon(std::span<const picture::Point> points, const picture::DcState& dc) {
    Fill(points, dc);
  }
  void Text(picture::Point at, std::string_view bytes, const picture::DcState& dc);
  void EnterLayer(const LayerFrame& frame);
  void LeaveLayer(const LayerFrame& frame);

  void Lines(std::span<const picture::Point> points, bool closed, picture::ColorValue colour,
             int32_t pen_width);
  void PenWidth(int32_t pen_width);
  void Fill(std::span<const picture::Point> points, const picture::DcState& dc);

  void Head(const char* type, picture::ColorValue colour, const char* subclass,
            int lineweight = -4);
  void Vertex(double x, double y, int code = 10);
  double East(double x) const { return east_m_ + x * scale_.x / picture::kUnitsPerMetre; }
  double North(double y) const {
    return north_m_ + (picture::kFrameHeight - y * scale_.y) / picture::kUnitsPerMetre;
  }
  bool Modern() const { return info_.flavour == DxfFlavour::kR2010; }
  void Hatch(std::vector<std::span<const picture::Point>> rings, const picture::DcState& dc);

  GroupWriter& out_;
  const DocumentInfo& info_;
  picture::FontLibrary& fonts_;
  base::MessageSink& sink_;
  uint64_t next_handle_;
  const std::function<int(const picture::Picture&)>* layer_of_ = nullptr;
  int layer_ = -1;  // into info_.layers; -1 is layer "0"
  Scale scale_;
  double east_m_ = 0, north_m_ = 0;  // the south-west corner of the sheet's frame
  int64_t east_tenths_ = 0, north_tenths_ = 0;
  bool origin_in_tenths_ = true;
  // What the layers being played replaced: the CAD layer and the scale of the picture holding it.
  std::vector<std::pair<int, Scale>> saved_;
  std::vector<Triangle> triangles_;
  // The colour index of an entity: a fill's nearest, or, for what is drawn over the fills, the
  // nearest that no fill of another colour has (a road on a block stays visible). Each is
  // looked up once: fills and their outlines alternate, and the palette search is not cheap.
  int ColourIndex(picture::Rgb rgb, bool fill);

  std::bitset<256> fill_indexes_;
  std::unordered_map<int32_t, int> colour_indexes_;  // by TrueColour, fills' with bit 24 set
  picture::Rgb last_rgb_;
  bool last_fill_ = false;
  int last_aci_ = 0;         // of last_rgb_ and last_fill_; 0 before the first
  std::string vertex_head_;  // the groups that open a VERTEX on layer vertex_head_layer_
  int vertex_head_layer_ = -1;
  std::string layer_colour_;  // the layer and colour groups of colour_layer_ and last_rgb_
  int colour_layer_ = -1;
  double width_ = -1;  // the last pen's width in frame units, and what it makes:
  int lineweight_ = 0;
  double width_m_ = 0;
  std::string width_lines_;  // the width groups of a polyline
};

}  // namespace sheetwright::output::dxf
