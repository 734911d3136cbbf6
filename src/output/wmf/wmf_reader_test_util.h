// A strict reader of placeable Windows Metafiles, for tests only: parses the placeable header, the
// metafile header and the records, decodes the records the writer produces, and plays them the way
// a GDI player does (object table, SAVEDC/RESTOREDC stack) to list what is drawn with which pen,
// brush, font and colours. Structural errors throw std::runtime_error; GDI misuse that players
// tolerate differently (selecting a deleted object, deleting a selected one, leaks) is collected as
// faults, so that a test can require none.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "output/wmf/wmf_format.h"
#include "picture/picture.h"

namespace sheetwright::output::wmftest {

struct PlaceableHeader {
  uint32_t key = 0;
  uint16_t handle = 0;
  int16_t left = 0, top = 0, right = 0, bottom = 0;
  uint16_t units_per_inch = 0;
  uint32_t reserved = 0;
  uint16_t checksum = 0;
};

struct MetaHeader {
  uint16_t type = 0, header_words = 0, version = 0;
  uint32_t size_words = 0;
  uint16_t objects = 0;
  uint32_t max_record_words = 0;
  uint16_t parameters = 0;
};

struct RawRecord {
  uint32_t size_words = 0;
  uint16_t function = 0;
  std::string params;  // (size_words - 3) * 2 bytes

  uint16_t U16(size_t word) const {
    if (2 * word + 2 > params.size()) throw std::runtime_error("record parameter out of range");
    return static_cast<uint16_t>(static_cast<unsigned char>(params[2 * word]) |
                                 (static_cast<unsigned char>(params[2 * word + 1]) << 8));
  }
  int16_t S16(size_t word) const { return static_cast<int16_t>(U16(word)); }
  uint32_t U32(size_t word) const { return U16(word) | (uint32_t{U16(word + 1)} << 16); }
  uint8_t Byte(size_t offset) const {
    if (offset >= params.size()) throw std::runtime_error("record parameter out of range");
    return static_cast<uint8_t>(params[offset]);
  }
};

struct WmfFile {
  PlaceableHeader placeable;
  uint16_t computed_checksum = 0;  // XOR of the first ten words
  MetaHeader header;
  std::vector<RawRecord> records;  // without the final META_EOF

  size_t Count(uint16_t function) const {
    return std::count_if(records.begin(), records.end(),
                         [&](const RawRecord& r) { return r.function == function; });
  }
};

namespace internal {
inline uint16_t Le16(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) |
                               (static_cast<unsigned char>(b[at + 1]) << 8));
}
inline uint32_t Le32(std::string_view b, size_t at) {
  return Le16(b, at) | (uint32_t{Le16(b, at + 2)} << 16);
}
}  // namespace internal

// Parses the whole file. Throws when the key, the checksum, a record size, the header's file
// size or largest-record field is wrong, or META_EOF is missing or followed by more bytes.
inline WmfFile ParseWmf(std::string_view bytes) {
  using internal::Le16;
  using internal::Le32;
  auto fail = [](const std::string& what) { throw std::runtime_error("bad metafile: " + what); };
  if (bytes.size() < wmf::kPlaceableHeaderBytes + 2 * wmf::kHeaderWords) fail("too short");
  WmfFile f;
  PlaceableHeader& ph = f.placeable;
  ph.key = Le32(bytes, 0);
  ph.handle = Le16(bytes, 4);
  ph.left = static_cast<int16_t>(Le16(bytes, 6));
  ph.top = static_cast<int16_t>(Le16(bytes, 8));
  ph.right = static_cast<int16_t>(Le16(bytes, 10));
  ph.bottom = static_cast<int16_t>(Le16(bytes, 12));
  ph.units_per_inch = Le16(bytes, 14);
  ph.reserved = Le32(bytes, 16);
  ph.checksum = Le16(bytes, 20);
  for (int i = 0; i < wmf::kPlaceableChecksumWords; ++i) f.computed_checksum ^= Le16(bytes, 2 * i);
  if (ph.key != wmf::kPlaceableKey) fail("placeable key");
  if (ph.checksum != f.computed_checksum) fail("placeable checksum");

  std::string_view mf = bytes.substr(wmf::kPlaceableHeaderBytes);
  MetaHeader& h = f.header;
  h.type = Le16(mf, 0);
  h.header_words = Le16(mf, 2);
  h.version = Le16(mf, 4);
  h.size_words = Le32(mf, 6);
  h.objects = Le16(mf, 10);
  h.max_record_words = Le32(mf, 12);
  h.parameters = Le16(mf, 16);
  if (h.header_words != wmf::kHeaderWords) fail("header size");
  if (mf.size() % 2 != 0 || h.size_words != mf.size() / 2) fail("file size field");

  uint32_t max_words = 0;
  bool eof = false;
  for (size_t at = 2 * wmf::kHeaderWords; at < mf.size();) {
    if (eof) fail("bytes after META_EOF");
    if (at + 6 > mf.size()) fail("truncated record header");
    RawRecord r;
    uint32_t words = Le32(mf, at);
    r.size_words = words;
    r.function = Le16(mf, at + 4);
    if (r.size_words < wmf::kRecordHeaderWords) fail("record smaller than its header");
    if (at + 2 * size_t{r.size_words} > mf.size()) fail("record runs past the end");
    max_words = std::max(max_words, r.size_words);
    if (r.function == wmf::kEof) {
      if (r.size_words != wmf::kRecordHeaderWords) fail("META_EOF size");
      eof = true;
    } else {
      r.params = std::string(mf.substr(at + 6, 2 * (size_t{r.size_words} - 3)));
      f.records.push_back(std::move(r));
    }
    at += 2 * size_t{words};
  }
  if (!eof) fail("no META_EOF");
  if (h.max_record_words != max_words) fail("largest-record field");
  return f;
}

struct Pen {
  uint16_t style = wmf::kPsSolid;
  int16_t width = 1;
  uint32_t color = 0;
  bool operator==(const Pen&) const = default;
};
struct Brush {
  uint16_t style = wmf::kBsSolid;
  uint32_t color = 0xFFFFFF;
  uint16_t hatch = 0;
  bool operator==(const Brush&) const = default;
};
struct Font {
  int16_t height = 0, width = 0, escapement = 0, orientation = 0;
  uint16_t weight = 0;
  uint8_t italic = 0, underline = 0, strike_out = 0, charset = 0;
  uint8_t out_precision = 0, clip_precision = 0, quality = 0, pitch_and_family = 0;
  std::string face_name;  // bytes up to the NUL
  bool operator==(const Font&) const = default;
};
struct Text {
  picture::Point at;
  uint16_t options = 0;
  std::string bytes;
};

inline Pen DecodePen(const RawRecord& r) { return Pen{r.U16(0), r.S16(1), r.U32(3)}; }
inline Brush DecodeBrush(const RawRecord& r) { return Brush{r.U16(0), r.U32(1), r.U16(3)}; }
inline Font DecodeFont(const RawRecord& r) {
  Font f{r.S16(0),   r.S16(1),   r.S16(2),   r.S16(3),   r.U16(4),   r.Byte(10), r.Byte(11),
         r.Byte(12), r.Byte(13), r.Byte(14), r.Byte(15), r.Byte(16), r.Byte(17), {}};
  std::string_view face = std::string_view(r.params).substr(18);
  f.face_name = std::string(face.substr(0, face.find('\0')));
  return f;
}
// POLYLINE / POLYGON: the count, then x, y pairs.
inline std::vector<picture::Point> DecodePoints(const RawRecord& r) {
  uint16_t n = r.U16(0);
  if (r.params.size() != 2 + 4 * size_t{n}) throw std::runtime_error("point count mismatch");
  std::vector<picture::Point> points(n);
  for (size_t i = 0; i < n; ++i) points[i] = picture::Point{r.S16(1 + 2 * i), r.S16(2 + 2 * i)};
  return points;
}
// MOVETO / LINETO and the like: y, x.
inline picture::Point DecodeYx(const RawRecord& r) { return picture::Point{r.S16(1), r.S16(0)}; }
// EXTTEXTOUT (no rectangle unless its options ask for one) or TEXTOUT.
inline Text DecodeText(const RawRecord& r) {
  Text t;
  if (r.function == wmf::kTextOut) {
    uint16_t n = r.U16(0);
    size_t padded = (n + 1) / 2 * 2;
    t.bytes = r.params.substr(2, n);
    t.at = picture::Point{r.S16(1 + padded / 2 + 1), r.S16(1 + padded / 2)};
    return t;
  }
  t.at = picture::Point{r.S16(1), r.S16(0)};
  uint16_t n = r.U16(2);
  t.options = r.U16(3);
  size_t at = 8 + ((t.options & 0x0006) ? 8 : 0);  // ETO_OPAQUE | ETO_CLIPPED carry a rectangle
  if (at + n > r.params.size()) throw std::runtime_error("text runs past its record");
  t.bytes = r.params.substr(at, n);
  return t;
}

// The device context state a drawing record sees.
struct DcState {
  std::optional<Pen> pen;  // nullopt: the player's default object
  std::optional<Brush> brush;
  std::optional<Font> font;
  uint32_t text_color = 0;
  uint32_t bk_color = 0xFFFFFF;
  uint16_t bk_mode = wmf::kOpaque;
  uint16_t fill_mode = wmf::kAlternate;
  uint16_t map_mode = 1;
  picture::Point window_org, window_ext{1, 1};
  int pen_slot = -1, brush_slot = -1, font_slot = -1;
};

// One drawing operation: POLYLINE, POLYGON, LINETO (points: from, to) or EXTTEXTOUT/TEXTOUT.
struct DrawOp {
  uint16_t function = 0;
  std::vector<picture::Point> points;
  Text text;
  DcState state;
  int depth = 0;  // SAVEDC nesting
};

struct Playback {
  std::vector<DrawOp> ops;
  std::vector<std::string> faults;
  int highest_slot = -1;  // highest object slot used
  int max_depth = 0;
  std::vector<uint16_t> deletion_order;  // slots, in the order they were deleted
};

// Plays the records like a GDI player: a created object takes the lowest free slot of a table of
// header.objects entries; SELECTOBJECT copies the object into the state; SAVEDC/RESTOREDC save and
// restore the whole state.
class GdiPlayer {
 public:
  explicit GdiPlayer(const WmfFile& f) : table_(f.header.objects) {}

  Playback Play(const WmfFile& f) {
    for (i_ = 0; i_ < f.records.size(); ++i_) {
      const RawRecord& r = f.records[i_];
      if (!Objects(r) && !States(r) && !Draws(r)) {
        Fault("unexpected record function " + std::to_string(r.function));
      }
    }
    if (!saved_.empty()) out_.faults.push_back("SAVEDC without RESTOREDC at the end");
    for (size_t slot = 0; slot < table_.size(); ++slot) {
      if (table_[slot] && !Held(static_cast<int>(slot))) {
        out_.faults.push_back("object " + std::to_string(slot) + " never deleted");
      }
    }
    return std::move(out_);
  }

 private:
  using Object = std::variant<Pen, Brush, Font>;

  void Fault(const std::string& what) {
    out_.faults.push_back("record " + std::to_string(i_) + ": " + what);
  }
  bool Held(int slot) const {
    auto holds = [slot](const DcState& s) {
      return s.pen_slot == slot || s.brush_slot == slot || s.font_slot == slot;
    };
    return holds(dc_) || std::any_of(saved_.begin(), saved_.end(), holds);
  }
  void Create(Object o) {
    auto free = std::find_if(table_.begin(), table_.end(), [](auto& e) { return !e; });
    if (free == table_.end()) return Fault("object table full (header object count too low)");
    *free = std::move(o);
    out_.highest_slot = std::max(out_.highest_slot, static_cast<int>(free - table_.begin()));
  }
  // The slot a SELECTOBJECT or DELETEOBJECT names, or -1 (a fault) when it holds nothing.
  int TakenSlot(const RawRecord& r, const char* what) {
    uint16_t slot = r.U16(0);
    if (slot < table_.size() && table_[slot]) return slot;
    Fault(std::string(what) + " of empty slot " + std::to_string(slot));
    return -1;
  }
  void Select(int slot) {
    if (auto* p = std::get_if<Pen>(&*table_[slot])) dc_.pen = *p, dc_.pen_slot = slot;
    if (auto* b = std::get_if<Brush>(&*table_[slot])) dc_.brush = *b, dc_.brush_slot = slot;
    if (auto* t = std::get_if<Font>(&*table_[slot])) dc_.font = *t, dc_.font_slot = slot;
  }
  void Delete(int slot) {
    if (Held(slot)) Fault("delete of selected object " + std::to_string(slot));
    table_[slot].reset();
    out_.deletion_order.push_back(slot);
  }
  void Restore(const RawRecord& r) {
    if (r.S16(0) != wmf::kRestoreLatest) Fault("RESTOREDC other than -1");
    if (saved_.empty()) return Fault("RESTOREDC without SAVEDC");
    dc_ = saved_.back();
    saved_.pop_back();
    for (int slot : {dc_.pen_slot, dc_.brush_slot, dc_.font_slot}) {
      if (slot >= 0 && !table_[slot]) Fault("restored state holds a deleted object");
    }
  }
  // Object records; false for any other.
  bool Objects(const RawRecord& r) {
    int slot = -1;
    switch (r.function) {
      case wmf::kCreatePenIndirect:
        Create(DecodePen(r));
        return true;
      case wmf::kCreateBrushIndirect:
        Create(DecodeBrush(r));
        return true;
      case wmf::kCreateFontIndirect:
        Create(DecodeFont(r));
        return true;
      case wmf::kSelectObject:
        if ((slot = TakenSlot(r, "select")) >= 0) Select(slot);
        return true;
      case wmf::kDeleteObject:
        if ((slot = TakenSlot(r, "delete")) >= 0) Delete(slot);
        return true;
      default:
        return false;
    }
  }
  // Device context state records; false for any other.
  bool States(const RawRecord& r) {
    switch (r.function) {
      case wmf::kSaveDc:
        saved_.push_back(dc_);
        out_.max_depth = std::max(out_.max_depth, static_cast<int>(saved_.size()));
        return true;
      case wmf::kRestoreDc:
        Restore(r);
        return true;
      case wmf::kSetTextColor:
        dc_.text_color = r.U32(0);
        return true;
      case wmf::kSetBkColor:
        dc_.bk_color = r.U32(0);
        return true;
      case wmf::kSetBkMode:
        dc_.bk_mode = r.U16(0);
        return true;
      case wmf::kSetPolyFillMode:
        dc_.fill_mode = r.U16(0);
        return true;
      case wmf::kSetMapMode:
        dc_.map_mode = r.U16(0);
        return true;
      case wmf::kSetWindowOrg:
        dc_.window_org = DecodeYx(r);
        return true;
      case wmf::kSetWindowExt:
        dc_.window_ext = DecodeYx(r);
        return true;
      case wmf::kMoveTo:
        position_ = DecodeYx(r);
        return true;
      default:
        return false;
    }
  }
  // Drawing records; false for any other.
  bool Draws(const RawRecord& r) {
    switch (r.function) {
      case wmf::kLineTo:
        Draw(r, {position_, DecodeYx(r)});
        position_ = out_.ops.back().points[1];
        return true;
      case wmf::kPolyline:
      case wmf::kPolygon:
        Draw(r, DecodePoints(r));
        return true;
      case wmf::kExtTextOut:
      case wmf::kTextOut:
        Draw(r, {});
        out_.ops.back().text = DecodeText(r);
        return true;
      default:
        return false;
    }
  }
  void Draw(const RawRecord& r, std::vector<picture::Point> points) {
    out_.ops.push_back(
        DrawOp{r.function, std::move(points), {}, dc_, static_cast<int>(saved_.size())});
  }

  Playback out_;
  std::vector<std::optional<Object>> table_;
  DcState dc_;
  std::vector<DcState> saved_;
  picture::Point position_;
  size_t i_ = 0;
};

inline Playback Play(const WmfFile& f) { return GdiPlayer(f).Play(f); }

}  // namespace sheetwright::output::wmftest
