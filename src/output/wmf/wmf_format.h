// The binary constants of the 16-bit Windows Metafile format as the writer (wmf_writer.cc) and the
// test reader (wmf_reader_test_util.h) use them: the placeable header, the metafile header, record
// function numbers, GDI object styles and the limits that decide when a figure must be split.
// Everything is little-endian; sizes in the metafile proper count 16-bit words.
#pragma once

#include <cstdint>

namespace sheetwright::output::wmf {

// Placeable header (22 bytes) in front of the standard metafile.
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7u;
constexpr int kPlaceableHeaderBytes = 22;
constexpr int kPlaceableChecksumWords = 10;  // words at offsets 0..18
constexpr uint16_t kUnitsPerInch = 96;       // a 96-dpi screen's pixels per inch
constexpr int kHundredthMmPerInch = 2540;

// Metafile header record (METAHEADER), 9 words.
constexpr uint16_t kMemoryMetafile = 1;
constexpr uint16_t kHeaderWords = 9;
constexpr uint16_t kVersion300 = 0x0300;

// Every record: 32-bit size in words, 16-bit function, parameters.
constexpr uint32_t kRecordHeaderWords = 3;

// Record functions. The high byte is the classic parameter-count hint; readers key on the whole
// word.
enum Function : uint16_t {
  kEof = 0x0000,
  kSaveDc = 0x001E,
  kSetBkMode = 0x0102,
  kSetMapMode = 0x0103,
  kSetPolyFillMode = 0x0106,
  kRestoreDc = 0x0127,
  kSelectObject = 0x012D,
  kDeleteObject = 0x01F0,
  kSetBkColor = 0x0201,
  kSetTextColor = 0x0209,
  kSetWindowOrg = 0x020B,
  kSetWindowExt = 0x020C,
  kLineTo = 0x0213,
  kMoveTo = 0x0214,
  kCreatePenIndirect = 0x02FA,
  kCreateFontIndirect = 0x02FB,
  kCreateBrushIndirect = 0x02FC,
  kPolygon = 0x0324,
  kPolyline = 0x0325,
  kTextOut = 0x0521,
  kExtTextOut = 0x0A32,
};

constexpr uint16_t kMmAnisotropic = 8;
constexpr uint16_t kAlternate = 1;  // polygon fill mode (even-odd)
constexpr uint16_t kTransparent = 1, kOpaque = 2;
constexpr int16_t kRestoreLatest = -1;  // RESTOREDC argument: the most recent SAVEDC

// Pen, brush and font fields.
constexpr uint16_t kPsSolid = 0, kPsNull = 5;
constexpr uint16_t kBsSolid = 0, kBsNull = 1, kBsHatched = 2;
constexpr uint16_t kHsDiagCross = 5;
constexpr uint16_t kFwNormal = 400, kFwBold = 700;
constexpr uint8_t kDefaultPitch = 0, kFixedPitch = 1, kVariablePitch = 2;
constexpr uint8_t kShiftJisCharset = 128;
constexpr int kFaceNameBytes = 32;  // LF_FACESIZE, including the terminating NUL
constexpr uint32_t kPenWords = 3 + 5;
constexpr uint32_t kBrushWords = 3 + 4;
constexpr uint32_t kFontWords = 3 + 9 + kFaceNameBytes / 2;

// Coordinates, counts and string lengths are signed 16-bit.
constexpr int32_t kCoordMin = -32768, kCoordMax = 32767;
constexpr uint32_t kMaxCount = 32767;
// Long polylines are cut into records of at most this many points (consecutive records share their
// end points); small records keep every reader's buffers modest. A fill cannot be cut, so a polygon
// may use the format's full count and fails beyond it.
constexpr uint32_t kMaxPolylinePoints = 16000;
constexpr uint32_t kMaxPolygonPoints = kMaxCount;
constexpr uint32_t kMaxTextBytes = kMaxCount;

}  // namespace sheetwright::output::wmf
