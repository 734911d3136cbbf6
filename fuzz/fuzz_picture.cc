// The picture backends over pictures built straight from the input: the metafile writer (whose
// output must keep the structure strict readers want, or be refused with ConversionError for a
// fill or text too long for one record), the SVG writer (whose output must be well-formed XML
// whatever the label bytes and layer names), the DXF writer (whose output must keep its group
// structure) and the Cairo renderer. The drawers only make
// pictures of a certain shape; this reaches what they could make from other data: coordinates
// saturated at the 32-bit range (map values beyond it), label fonts of any height (a settings
// file's Size), figures longer than one record, empty figures and texts, nested layers, layer
// names of any bytes.
#include <cairo.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/messages.h"
#include "fuzz_support.h"
#include "output/cairo_renderer.h"
#include "output/dxf_writer.h"
#include "output/svg_writer.h"
#include "output/wmf_writer.h"
#include "picture/font_library.h"
#include "picture/recorder.h"

namespace {

using namespace sheetwright;
using picture::Point;

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Done() const { return at_ >= size_; }
  uint8_t U8() { return at_ < size_ ? data_[at_++] : 0; }
  uint16_t U16() { return U8() | U8() << 8; }
  uint32_t U32() { return U16() | uint32_t{U16()} << 16; }
  int32_t Coord() {
    // Mostly on or near the sheet, sometimes anywhere in the 32-bit range.
    uint8_t kind = U8();
    if (kind < 200) return static_cast<int16_t>(U16()) % 21000;
    return static_cast<int32_t>(U32());
  }
  std::string Bytes(size_t n) {
    std::string out;
    while (out.size() < n && !Done()) out.push_back(static_cast<char>(U8()));
    return out;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

constexpr std::array<const char*, 5> kFaces = {"ＭＳ Ｐゴシック", "ＭＳ 明朝", "", "NoSuchFace",
                                               "ＭＳ Ｐゴシック ＭＳ Ｐゴシック ＭＳ Ｐゴシック"};

// Many points without many input bytes: a zigzag from a start point.
void Figure(Reader& in, std::vector<Point>& points) {
  uint16_t n = in.U16();
  if (n > 40000) n = 40000;
  if (n <= 16) {
    for (uint16_t i = 0; i < n; ++i) points.push_back({in.Coord(), in.Coord()});
    return;
  }
  Point p{in.Coord(), in.Coord()};
  int32_t step = static_cast<int8_t>(in.U8());
  for (uint16_t i = 0; i < n; ++i) {
    points.push_back(p);
    // Wraps at the 32-bit range (modular conversion), as saturated coordinates sit there.
    p.x = static_cast<int32_t>(static_cast<uint32_t>(p.x) + static_cast<uint32_t>(step));
    p.y = static_cast<int32_t>(static_cast<uint32_t>(p.y) + (i % 2 ? 7u : -7u));
  }
}

picture::Picture Build(Reader& in, int depth) {
  picture::Picture picture;
  picture::Recorder rec(picture);
  std::vector<Point> points;
  while (!in.Done()) {
    uint8_t op = in.U8();
    switch (op % 12) {
      case 0: {
        static constexpr std::array<int32_t, 6> kWidths = {1, 0, 40, 150, 200, 25};
        auto style = in.U8() & 1 ? picture::PenStyle::kNull : picture::PenStyle::kSolid;
        rec.SetPen(style, kWidths[in.U8() % kWidths.size()], in.U32());
        break;
      }
      case 1:
        rec.SetBrush(static_cast<picture::BrushStyle>(in.U8() % 3), in.U32());
        break;
      case 2: {
        picture::LabelFont font;
        font.face_name = kFaces[in.U8() % kFaces.size()];
        uint8_t kind = in.U8();
        font.height = kind < 128 ? -(kind % 40) : static_cast<int32_t>(in.U32());
        font.style = in.U8() & 15;
        font.pitch = in.U8() % 3;
        font.color = in.U32();
        font.charset = in.U8() & 1 ? 128 : 0;
        rec.SetFont(font);
        break;
      }
      case 3:
      case 4: {
        points.clear();
        Figure(in, points);
        if (op % 12 == 3) {
          rec.Polyline(points);
        } else {
          rec.Polygon(points);
        }
        break;
      }
      case 5:
        rec.Line({in.Coord(), in.Coord()}, {in.Coord(), in.Coord()});
        break;
      case 6: {
        Point at{in.Coord(), in.Coord()};
        uint16_t n = in.U16();
        std::string text = n > 64 ? std::string(n, '\x82') : in.Bytes(n);
        rec.Text(at, text);
        break;
      }
      case 7:
        if (depth < 3) rec.Layer(std::make_shared<const picture::Picture>(Build(in, depth + 1)));
        break;
      case 8:
        if (depth > 0) return picture;  // the end of a nested layer
        break;
      case 9:
        picture.id = in.Bytes(in.U8() % 16);
        picture.label = in.Bytes(in.U8() % 16);
        break;
      default:
        break;
    }
  }
  return picture;
}

picture::FontLibrary& Fonts() {
  static picture::FontLibrary* fonts = new picture::FontLibrary();
  return *fonts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in(data, size);
  const uint8_t flags = in.U8();
  picture::Picture sheet = Build(in, 0);
  fuzz::CheckPicture(sheet);
  try {
    output::NominalSize nominal{1 + flags % 800, 1 + flags % 600};
    fuzz::CheckWmf(output::EncodeWmf(sheet, nominal));
  } catch (const base::ConversionError&) {
  }
  if (flags & 2) {
    std::string svg;
    output::WriteSvg(sheet, 1 + flags % 800, 1 + flags % 600, Fonts(),
                     [&](std::string_view chunk) { svg += chunk; });
    fuzz::CheckSvg(svg);
  }
  if (flags & 8) {
    bool modern = flags & 16;
    base::NullMessageSink no_one;
    std::string dxf = output::EncodeDxf(
        sheet, modern ? output::DxfFlavour::kR2010 : output::DxfFlavour::kR12, Fonts(), no_one);
    fuzz::CheckDxf(dxf, modern);
  }
  if (flags & 1) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 64, 48);
    cairo_t* cr = cairo_create(surface);
    output::RenderPicture(sheet, cr, 64, 48, Fonts());
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
  return 0;
}
