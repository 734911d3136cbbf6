// Writes a sheet picture as a DXF drawing for CAD programs: coordinates in map metres with north
// up (x the easting, y the northing, as the map data holds them), one CAD layer per map layer
// named by its row caption (the corner marks on the layer of what the sheet draws itself),
// entities in drawing order, each with the colour it is drawn in. Two flavours:
//  - release 12 (AC1009), which every CAD opens: text and names in Shift_JIS ($DWGCODEPAGE
//    ANSI_932; label bytes pass through unchanged), lines as POLYLINE (constant width from the
//    pen) or LINE, fills as SOLID triangles under the even-odd rule (holes stay open) with each
//    ring's outline as a closed POLYLINE, labels as TEXT;
//  - release 2010 (AC1024): UTF-8, LWPOLYLINE, solid HATCH with one boundary path per ring, true
//    colour beside the colour index, lineweight from the pen.
// Labels sit with their baseline where the drawing puts it (the top-left anchor lowered by the
// face's ascent), height the face's em size, STYLE named after the face. The file is handed on in
// chunks as it is made; its bytes depend on the picture alone.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/messages.h"
#include "output/geometry/print_layout.h"
#include "picture/picture.h"

namespace sheetwright::picture {
class FontLibrary;
}

namespace sheetwright::output {

enum class DxfFlavour { kR12, kR2010 };

// Writes `sheet` as a DXF file of `flavour`, passing it to `write` in chunks of about 64 KB.
// A release 12 fill whose edges cross each other too often to be cut into triangles in
// reasonable time (see TriangulateEvenOdd) keeps only its outline, and `sink` is told. Whatever
// `write` throws propagates, after a part of the file was passed.
void WriteDxf(const picture::Picture& sheet, DxfFlavour flavour, picture::FontLibrary& fonts,
              base::MessageSink& sink, const std::function<void(std::string_view)>& write);

// The whole file of WriteDxf as one string.
std::string EncodeDxf(const picture::Picture& sheet, DxfFlavour flavour,
                      picture::FontLibrary& fonts, base::MessageSink& sink);

// A mosaic as one release 12 drawing (--mosaic FILE.dxf): every sheet in map metres at its placed
// coordinates, one CAD layer per map layer whichever sheet draws on it. The tables come before the
// entities, so the sheets are given twice: each to SurveySheet, then, after Begin, each to AddSheet
// (only one sheet's picture is held at a time; picture::PictureSpill keeps them converted between
// the two). The file is handed on in chunks as it is made.
class DxfMosaic {
 public:
  DxfMosaic(picture::FontLibrary& fonts, base::MessageSink& sink,
            std::function<void(std::string_view)> write);
  ~DxfMosaic();
  DxfMosaic(const DxfMosaic&) = delete;
  DxfMosaic& operator=(const DxfMosaic&) = delete;

  void SurveySheet(const picture::Picture& sheet);
  // Writes the head; `map` is the extent of the sheets.
  void Begin(const GroundBox& map);
  // The sheet's frame covers `ground`.
  void AddSheet(const picture::Picture& sheet, const GroundBox& ground);
  void Finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace sheetwright::output
