#include "output/wmf/wmf_writer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

#include "base/atomic_file.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "output/playback.h"
#include "output/wmf/wmf_format.h"
#include "picture/japanese_faces.h"

namespace sheetwright::output {
namespace {

int16_t Clamp16(int64_t v) {
  return static_cast<int16_t>(std::clamp<int64_t>(v, wmf::kCoordMin, wmf::kCoordMax));
}

// num / den rounded to nearest, halves away from zero (den > 0).
int64_t RoundDiv(int64_t num, int64_t den) {
  return num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den);
}

// A length in pixels of a 96-dpi screen, taken through hundredths of a millimetre and
// back the way GDI sizes a metafile for its placeable header.
int16_t PlaceableExtent(int pixels) {
  int64_t hundredth_mm = RoundDiv(int64_t{pixels} * wmf::kHundredthMmPerInch, wmf::kUnitsPerInch);
  return Clamp16(RoundDiv(hundredth_mm * wmf::kUnitsPerInch, wmf::kHundredthMmPerInch));
}

inline void Put16(char* p, uint16_t v) {
  p[0] = static_cast<char>(v);
  p[1] = static_cast<char>(v >> 8);
}
inline void Put32(char* p, uint32_t v) {
  Put16(p, static_cast<uint16_t>(v));
  Put16(p + 2, static_cast<uint16_t>(v >> 16));
}

// The label font's pitch (0 default, 1 variable, 2 fixed) in the numbering of the font record,
// where fixed and variable are the other way round.
uint8_t PitchAndFamily(uint8_t pitch) {
  switch (pitch) {
    case 1:
      return wmf::kVariablePitch;
    case 2:
      return wmf::kFixedPitch;
    default:
      return wmf::kDefaultPitch;
  }
}

// The face name as the font record stores it: a common Japanese face by its English family name,
// which every reader can match; any other name in CP932 for the Shift_JIS character set, its bytes
// as they are otherwise; cut to leave room for the NUL without splitting a character in two.
std::string FaceNameBytes(const picture::LabelFont& font) {
  if (const picture::JapaneseFace* face = picture::FindJapaneseFace(font.face_name)) {
    return std::string(face->english_name);
  }
  std::string bytes =
      font.charset == wmf::kShiftJisCharset ? base::Utf8ToCp932(font.face_name) : font.face_name;
  constexpr size_t kRoom = wmf::kFaceNameBytes - 1;
  if (bytes.size() <= kRoom) return bytes;
  size_t cut = 0;
  if (font.charset == wmf::kShiftJisCharset) {
    for (size_t i = 0; i < kRoom;) {
      auto b = static_cast<unsigned char>(bytes[i]);
      size_t len = ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) ? 2 : 1;
      if (i + len > kRoom) break;
      i += len;
      cut = i;
    }
  } else {
    cut = kRoom;
    while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80) --cut;
  }
  bytes.resize(cut);
  return bytes;
}

// A generous guess of the file size, so that the buffer is allocated once.
size_t EstimateBytes(const picture::Picture& picture) {
  size_t bytes = picture.points.size() * 4 + picture.text.size() + picture.records.size() * 64;
  for (const auto& layer : picture.layers) {
    if (layer) bytes += EstimateBytes(*layer);
  }
  return bytes;
}

// Writes the metafile while keeping the GDI object table as a player will see it: a created object
// takes the lowest free slot; an object is deleted as soon as neither the current state nor a
// state saved by SAVEDC holds it, which is never while it is selected.
class Encoder {
 public:
  Encoder(const picture::Picture& sheet, NominalSize size, base::MessageSink& sink) : sink_(sink) {
    out_.reserve(wmf::kPlaceableHeaderBytes + 2 * wmf::kHeaderWords + EstimateBytes(sheet) + 256);
    WritePlaceableHeader(size);
    out_.resize(out_.size() + 2 * wmf::kHeaderWords);  // filled in by Finish
    Record1(wmf::kSetMapMode, wmf::kMmAnisotropic);
    Record2(wmf::kSetWindowOrg, 0, 0);
    // A window extent of zero would make every reader divide by zero.
    Record2(wmf::kSetWindowExt, std::max<int16_t>(1, Clamp16(sheet.height)),
            std::max<int16_t>(1, Clamp16(sheet.width)));
    Record1(wmf::kSetPolyFillMode, wmf::kAlternate);
    Play(sheet, *this);
  }

  std::string Finish() && {
    Begin(wmf::kEof, 0);
    char* h = out_.data() + wmf::kPlaceableHeaderBytes;
    Put16(h, wmf::kMemoryMetafile);
    Put16(h + 2, wmf::kHeaderWords);
    Put16(h + 4, wmf::kVersion300);
    Put32(h + 6, static_cast<uint32_t>((out_.size() - wmf::kPlaceableHeaderBytes) / 2));
    Put16(h + 10, static_cast<uint16_t>(slots_.size()));
    Put32(h + 12, max_record_words_);
    Put16(h + 16, 0);
    return std::move(out_);
  }

 private:
  enum Kind { kPen, kBrush, kFont };
  using Selection = std::array<int, 3>;  // slot selected per kind, -1 for the default object

  void WritePlaceableHeader(NominalSize size) {
    char* p = Grow(wmf::kPlaceableHeaderBytes);
    Put32(p, wmf::kPlaceableKey);
    Put16(p + 4, 0);  // handle
    Put16(p + 6, 0);  // left
    Put16(p + 8, 0);  // top
    Put16(p + 10, static_cast<uint16_t>(PlaceableExtent(size.width)));
    Put16(p + 12, static_cast<uint16_t>(PlaceableExtent(size.height)));
    Put16(p + 14, wmf::kUnitsPerInch);
    Put32(p + 16, 0);  // reserved
    uint16_t sum = 0;
    for (int i = 0; i < wmf::kPlaceableChecksumWords; ++i) {
      sum ^= static_cast<uint16_t>(static_cast<unsigned char>(p[2 * i]) |
                                   (static_cast<unsigned char>(p[2 * i + 1]) << 8));
    }
    Put16(p + 20, sum);
  }

  char* Grow(size_t bytes) {
    size_t old = out_.size();
    out_.resize(old + bytes);
    return out_.data() + old;
  }

  // Appends a record of `param_words` parameter words and returns where the parameters go.
  char* Begin(uint16_t function, uint32_t param_words) {
    uint32_t words = wmf::kRecordHeaderWords + param_words;
    max_record_words_ = std::max(max_record_words_, words);
    char* p = Grow(2 * size_t{words});
    Put32(p, words);
    Put16(p + 4, function);
    return p + 6;
  }
  void Record0(uint16_t function) { Begin(function, 0); }
  void Record1(uint16_t function, uint16_t a) { Put16(Begin(function, 1), a); }
  void Record2(uint16_t function, int16_t a, int16_t b) {
    char* p = Begin(function, 2);
    Put16(p, static_cast<uint16_t>(a));
    Put16(p + 2, static_cast<uint16_t>(b));
  }
  void RecordColor(uint16_t function, picture::ColorValue color) {
    Put32(Begin(function, 2), picture::ToColorRef(picture::ResolveColor(color)));
  }

  // The records as a GDI player replays them: every figure and layer as recorded, however little
  // it draws (playback.h).
  template <class>
  friend class output::Playback;
  static constexpr PlayRules kRules{.every_figure = true};

  void Select(const picture::TextColorRec& r) { RecordColor(wmf::kSetTextColor, r.color); }
  void Select(const picture::BkColorRec& r) { RecordColor(wmf::kSetBkColor, r.color); }
  void Select(const picture::BkModeRec& r) {
    Record1(wmf::kSetBkMode, r.mode == picture::BkMode::kOpaque ? wmf::kOpaque : wmf::kTransparent);
  }
  void Line(picture::Point from, picture::Point to, const picture::DcState&) {
    Record2(wmf::kMoveTo, Clamp16(from.y), Clamp16(from.x));
    Record2(wmf::kLineTo, Clamp16(to.y), Clamp16(to.x));
  }

  void Select(const picture::PenRec& r) {
    char* p = Create(wmf::kCreatePenIndirect, wmf::kPenWords);
    Put16(p, r.style == picture::PenStyle::kNull ? wmf::kPsNull : wmf::kPsSolid);
    Put16(p + 2, static_cast<uint16_t>(std::clamp<int32_t>(r.width, 0, wmf::kCoordMax)));
    Put16(p + 4, 0);
    Put32(p + 6, picture::ToColorRef(picture::ResolveColor(r.color)));
    Select(kPen);
  }

  void Select(const picture::BrushRec& r) {
    char* p = Create(wmf::kCreateBrushIndirect, wmf::kBrushWords);
    uint16_t style = r.style == picture::BrushStyle::kSolid       ? wmf::kBsSolid
                     : r.style == picture::BrushStyle::kDiagCross ? wmf::kBsHatched
                                                                  : wmf::kBsNull;
    Put16(p, style);
    Put32(p + 2, picture::ToColorRef(picture::ResolveColor(r.color)));
    Put16(p + 6, r.style == picture::BrushStyle::kDiagCross ? wmf::kHsDiagCross : 0);
    Select(kBrush);
  }

  void Select(const picture::LabelFont& font) {
    std::string face = FaceNameBytes(font);
    char* p = Create(wmf::kCreateFontIndirect, wmf::kFontWords);
    Put16(p, static_cast<uint16_t>(Clamp16(font.height)));
    // width, escapement, orientation: 0 (the record was zeroed by Grow)
    Put16(p + 8, (font.style & picture::kBold) ? wmf::kFwBold : wmf::kFwNormal);
    p[10] = (font.style & picture::kItalic) ? 1 : 0;
    p[11] = (font.style & picture::kUnderline) ? 1 : 0;
    p[12] = (font.style & picture::kStrikeOut) ? 1 : 0;
    p[13] = static_cast<char>(font.charset);
    // output precision, clip precision, quality: the defaults (0)
    p[17] = static_cast<char>(PitchAndFamily(font.pitch));
    std::memcpy(p + 18, face.data(), face.size());  // NUL-padded to 32 bytes by Grow
    Select(kFont);
  }

  void Polyline(std::span<const picture::Point> points, const picture::DcState&) {
    // One point draws nothing. A figure too long for one record goes on in the next, which
    // starts at the point where the previous one ended, so the line stays unbroken.
    for (size_t start = 0; start + 1 < points.size();) {
      size_t end = std::min<size_t>(start + wmf::kMaxPolylinePoints, points.size());
      Points(wmf::kPolyline, points.subspan(start, end - start));
      start = end - 1;
    }
  }

  // A fill cannot be split the way a line can: its parts would be filled each on its own, with
  // seams and wrong holes. It is left out whole.
  void Polygon(std::span<const picture::Point> points, const picture::DcState&) {
    if (points.size() > wmf::kMaxPolygonPoints) {
      TellLeftOut({"塗りつぶし図形の点数", "点", "filled figure", "points"}, points.size(),
                  wmf::kMaxPolygonPoints);
      return;
    }
    if (points.size() < 3) return;  // encloses no area
    Points(wmf::kPolygon, points);
  }

  // How a figure that one record cannot hold is named in the message that it was left out.
  struct FigureWords {
    const char* measure;  // "文字列の長さ"
    const char* unit;     // "バイト"
    const char* english;  // "text"
    const char* english_unit;
  };
  void TellLeftOut(const FigureWords& words, size_t size, uint32_t limit) {
    std::string n = std::to_string(size), max = std::to_string(limit);
    sink_.Show(std::string(words.measure) + " " + n + " " + words.unit +
               "は WMF の 1 レコードの上限 " + max + " " + words.unit +
               "を超えるため、WMF から省きました (a " + words.english + " of " + n + " " +
               words.english_unit + " exceeds the metafile limit of " + max + " " +
               words.english_unit + " and is left out of the metafile)");
  }

  void Points(uint16_t function, std::span<const picture::Point> points) {
    char* p = Begin(function, 1 + 2 * static_cast<uint32_t>(points.size()));
    Put16(p, static_cast<uint16_t>(points.size()));
    p += 2;
    for (const picture::Point& pt : points) {
      Put16(p, static_cast<uint16_t>(Clamp16(pt.x)));
      Put16(p + 2, static_cast<uint16_t>(Clamp16(pt.y)));
      p += 4;
    }
  }

  void Text(picture::Point at, std::string_view bytes, const picture::DcState&) {
    if (bytes.empty()) return;
    if (bytes.size() > wmf::kMaxTextBytes) {
      TellLeftOut({"文字列の長さ", "バイト", "text", "bytes"}, bytes.size(), wmf::kMaxTextBytes);
      return;
    }
    // y, x, length, options (none: no clipping rectangle, no opaque box), then the bytes padded
    // to a whole word; no spacing array, so the reader spaces the characters by the font.
    auto length = static_cast<uint32_t>(bytes.size());
    char* p = Begin(wmf::kExtTextOut, 4 + (length + 1) / 2);
    Put16(p, static_cast<uint16_t>(Clamp16(at.y)));
    Put16(p + 2, static_cast<uint16_t>(Clamp16(at.x)));
    Put16(p + 4, static_cast<uint16_t>(length));
    Put16(p + 6, 0);
    std::memcpy(p + 8, bytes.data(), length);
  }

  void EnterLayer(const LayerFrame&) {
    Record0(wmf::kSaveDc);
    saved_.push_back(current_);
    for (int slot : current_) Hold(slot);
  }
  void LeaveLayer(const LayerFrame&) {
    Record1(wmf::kRestoreDc, static_cast<uint16_t>(wmf::kRestoreLatest));
    Selection inner = current_;
    current_ = saved_.back();
    saved_.pop_back();
    for (int slot : inner) Release(slot);
  }

  // Appends the creation record of a new object, which takes the lowest free slot.
  char* Create(uint16_t function, uint32_t words) {
    auto free = std::find(slots_.begin(), slots_.end(), 0u);
    int slot = static_cast<int>(free - slots_.begin());
    if (free == slots_.end()) slots_.push_back(0);
    pending_slot_ = slot;
    return Begin(function, words - wmf::kRecordHeaderWords);
  }

  // Selects the object just created; the one it replaces is deleted if nothing holds it any more.
  void Select(Kind kind) {
    int slot = pending_slot_;
    Record1(wmf::kSelectObject, static_cast<uint16_t>(slot));
    int old = current_[kind];
    current_[kind] = slot;
    Hold(slot);
    Release(old);
  }

  void Hold(int slot) {
    if (slot >= 0) ++slots_[slot];
  }
  void Release(int slot) {
    if (slot < 0 || --slots_[slot] > 0) return;
    Record1(wmf::kDeleteObject, static_cast<uint16_t>(slot));
  }

  base::MessageSink& sink_;
  std::string out_;
  uint32_t max_record_words_ = 0;
  // Per slot: how many selections (current and saved) hold the object; 0 is a free slot. The table
  // never shrinks, so its size is the object count the header must announce.
  std::vector<uint32_t> slots_;
  int pending_slot_ = -1;  // created, about to be selected
  Selection current_{-1, -1, -1};
  std::vector<Selection> saved_;
};

}  // namespace

std::string EncodeWmf(const picture::Picture& sheet, NominalSize size, base::MessageSink& sink) {
  return Encoder(sheet, size, sink).Finish();
}

std::string EncodeWmf(const picture::Picture& sheet, NominalSize size) {
  base::NullMessageSink no_one;
  return EncodeWmf(sheet, size, no_one);
}

void StoreWmf(const picture::Picture& sheet, NominalSize size, const std::string& path) {
  base::WriteFileAtomically(path, EncodeWmf(sheet, size));
}

}  // namespace sheetwright::output
