#include <cairo.h>
#include <libxml/parser.h>
#include <libxml/xpath.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <set>
#include <type_traits>
#include <variant>

#include "base/encoding.h"
#include "fuzz_support.h"

namespace sheetwright::fuzz {
namespace {

// Record functions, written out here from the format's own tables rather than taken from the
// writer's header, so that a wrong constant there is caught and not mirrored.
constexpr uint16_t kEof = 0x0000, kSaveDc = 0x001E, kRestoreDc = 0x0127;
constexpr uint16_t kSelectObject = 0x012D, kDeleteObject = 0x01F0;
constexpr uint16_t kCreatePen = 0x02FA, kCreateFont = 0x02FB, kCreateBrush = 0x02FC;
constexpr uint16_t kCreatePalette = 0x00F7, kCreatePatternBrush = 0x01F9;
constexpr uint16_t kDibCreatePatternBrush = 0x0142, kCreateRegion = 0x06FF;
constexpr uint16_t kPolygon = 0x0324, kPolyline = 0x0325;
constexpr uint16_t kTextOut = 0x0521, kExtTextOut = 0x0A32;

uint16_t U16(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}
uint32_t U32(std::string_view b, size_t at) { return U16(b, at) | uint32_t{U16(b, at + 2)} << 16; }

enum class ObjKind { kNone, kPen, kBrush, kFont, kOther };

ObjKind KindOf(uint16_t function) {
  switch (function) {
    case kCreatePen:
      return ObjKind::kPen;
    case kCreateBrush:
    case kCreatePatternBrush:
    case kDibCreatePatternBrush:
      return ObjKind::kBrush;
    case kCreateFont:
      return ObjKind::kFont;
    case kCreatePalette:
    case kCreateRegion:
      return ObjKind::kOther;
    default:
      return ObjKind::kNone;
  }
}

// What one device context state has selected: slot per kind, -1 for the stock object.
struct DcState {
  std::array<int, 5> selected{-1, -1, -1, -1, -1};
};

// What a reader replaying the records keeps track of: the object table, the device context and
// its saved states, the largest record seen, and whether META_EOF has come.
struct Replay {
  std::vector<ObjKind> slots;  // kNone: free
  std::vector<DcState> saved;
  DcState dc;
  uint32_t largest = 0;
  bool eof = false;
};

// One record: its size in words, its function and the parameter bytes after its header.
struct WmfRecord {
  uint32_t words;
  uint16_t function;
  std::string_view params;
  void Need(size_t bytes, const char* what) const { FUZZ_CHECK(params.size() >= bytes, what); }
};

void CheckPlaceableHeader(std::string_view wmf) {
  FUZZ_CHECK(wmf.size() >= 22 + 18 + 6, "file shorter than its headers");
  FUZZ_CHECK(U32(wmf, 0) == 0x9AC6CDD7u, "placeable key");
  uint16_t checksum = 0;
  for (size_t i = 0; i < 10; ++i) checksum ^= U16(wmf, 2 * i);
  FUZZ_CHECK(U16(wmf, 20) == checksum, "placeable checksum");
  FUZZ_CHECK(U16(wmf, 14) == 96, "units per inch");
}

void CheckMetafileHeader(std::string_view meta) {
  FUZZ_CHECK(meta.size() % 2 == 0, "odd metafile size");
  FUZZ_CHECK(U16(meta, 0) == 1 && U16(meta, 2) == 9, "metafile header type/size");
  FUZZ_CHECK(U16(meta, 4) == 0x0300, "metafile version");
  FUZZ_CHECK(U32(meta, 6) == meta.size() / 2, "header size field",
             std::to_string(U32(meta, 6)) + " != " + std::to_string(meta.size() / 2));
}

// The record at byte `at` of the metafile, after checking that its header is whole and that it
// ends within the file.
WmfRecord ReadRecord(std::string_view meta, size_t at) {
  FUZZ_CHECK(meta.size() - at >= 6, "truncated record header");
  const uint32_t words = U32(meta, at);
  const uint16_t function = U16(meta, at + 4);
  FUZZ_CHECK(words >= 3, "record shorter than its header");
  FUZZ_CHECK(uint64_t{words} * 2 <= meta.size() - at, "record runs past the end");
  return {words, function, meta.substr(at + 6, size_t{words} * 2 - 6)};
}

// A created object takes the lowest free slot of the table.
void CreateObject(const WmfRecord& record, ObjKind created, Replay& replay) {
  std::vector<ObjKind>& slots = replay.slots;
  size_t slot = 0;
  while (slot < slots.size() && slots[slot] != ObjKind::kNone) ++slot;
  if (slot == slots.size()) slots.push_back(ObjKind::kNone);
  slots[slot] = created;
  if (record.function == kCreatePen) FUZZ_CHECK(record.words == 8, "pen record size");
  if (record.function == kCreateBrush) FUZZ_CHECK(record.words == 7, "brush record size");
  if (record.function == kCreateFont) record.Need(18, "font record without LOGFONT");
}

void RestoreDc(const WmfRecord& record, Replay& replay) {
  record.Need(2, "RESTOREDC without argument");
  const int16_t n = static_cast<int16_t>(U16(record.params, 0));
  std::vector<DcState>& saved = replay.saved;
  // Negative: relative to the latest save; positive: an absolute save level.
  FUZZ_CHECK(n != 0 && (n < 0 ? size_t(-n) <= saved.size() : size_t(n) <= saved.size()),
             "RESTOREDC without a matching SAVEDC");
  const size_t keep = n < 0 ? saved.size() - size_t(-n) : size_t(n) - 1;
  replay.dc = saved[keep];
  saved.resize(keep);
}

void SelectObject(const WmfRecord& record, Replay& replay) {
  record.Need(2, "SELECTOBJECT without argument");
  const uint16_t slot = U16(record.params, 0);
  FUZZ_CHECK(slot < replay.slots.size() && replay.slots[slot] != ObjKind::kNone,
             "selecting an object that does not exist", std::to_string(slot));
  replay.dc.selected[static_cast<int>(replay.slots[slot])] = slot;
}

// An object may go only once neither the device context nor any saved state selects it.
void DeleteObject(const WmfRecord& record, Replay& replay) {
  record.Need(2, "DELETEOBJECT without argument");
  const uint16_t slot = U16(record.params, 0);
  FUZZ_CHECK(slot < replay.slots.size() && replay.slots[slot] != ObjKind::kNone,
             "deleting an object that does not exist", std::to_string(slot));
  const int kind = static_cast<int>(replay.slots[slot]);
  FUZZ_CHECK(replay.dc.selected[kind] != slot, "deleting a selected object", std::to_string(slot));
  for (const DcState& s : replay.saved) {
    FUZZ_CHECK(s.selected[kind] != slot, "deleting an object a saved state selects",
               std::to_string(slot));
  }
  replay.slots[slot] = ObjKind::kNone;
}

// POLYGON and POLYLINE: the record holds exactly its points.
void CheckFigure(const WmfRecord& record) {
  record.Need(2, "figure without point count");
  const int16_t count = static_cast<int16_t>(U16(record.params, 0));
  FUZZ_CHECK(count >= 0, "negative point count");
  FUZZ_CHECK(record.words == 3 + 1 + 2 * uint32_t(count), "figure record size",
             std::to_string(record.words) + " words, " + std::to_string(count) + " points");
}

void CheckTextOut(const WmfRecord& record) {
  record.Need(2, "TEXTOUT without length");
  const int16_t len = static_cast<int16_t>(U16(record.params, 0));
  FUZZ_CHECK(len >= 0, "negative text length");
  record.Need(2 + (size_t(len) + 1) / 2 * 2 + 4, "TEXTOUT shorter than its text");
}

void CheckExtTextOut(const WmfRecord& record) {
  record.Need(8, "EXTTEXTOUT without its fields");
  const int16_t len = static_cast<int16_t>(U16(record.params, 4));
  const uint16_t options = U16(record.params, 6);
  FUZZ_CHECK(len >= 0, "negative text length");
  const size_t rect = (options & 0x0006) ? 8 : 0;  // ETO_OPAQUE, ETO_CLIPPED
  record.Need(8 + rect + (size_t(len) + 1) / 2 * 2, "EXTTEXTOUT shorter than its text");
}

// Plays one record into the reader's state, checking what its function requires.
void ReplayRecord(const WmfRecord& record, Replay& replay) {
  const ObjKind created = KindOf(record.function);
  if (created != ObjKind::kNone) CreateObject(record, created, replay);
  switch (record.function) {
    case kEof:
      FUZZ_CHECK(record.words == 3, "META_EOF size");
      replay.eof = true;
      break;
    case kSaveDc:
      replay.saved.push_back(replay.dc);
      break;
    case kRestoreDc:
      RestoreDc(record, replay);
      break;
    case kSelectObject:
      SelectObject(record, replay);
      break;
    case kDeleteObject:
      DeleteObject(record, replay);
      break;
    case kPolygon:
    case kPolyline:
      CheckFigure(record);
      break;
    case kTextOut:
      CheckTextOut(record);
      break;
    case kExtTextOut:
      CheckExtTextOut(record);
      break;
    default:
      break;
  }
}

}  // namespace

void CheckPicture(const picture::Picture& picture, int depth) {
  FUZZ_CHECK(depth < 64, "layers nested too deep");
  for (const picture::Record& record : picture.records) {
    std::visit(
        [&](const auto& r) {
          using T = std::decay_t<decltype(r)>;
          if constexpr (std::is_same_v<T, picture::PolylineRec> ||
                        std::is_same_v<T, picture::PolygonRec>) {
            FUZZ_CHECK(uint64_t{r.first} + r.count <= picture.points.size(),
                       "figure points out of range");
          } else if constexpr (std::is_same_v<T, picture::TextRec>) {
            FUZZ_CHECK(uint64_t{r.first} + r.length <= picture.text.size(),
                       "text bytes out of range");
          } else if constexpr (std::is_same_v<T, picture::LayerRec>) {
            const picture::Picture* layer = picture.Layer(r);
            FUZZ_CHECK(layer != nullptr, "layer out of range");
            CheckPicture(*layer, depth + 1);
          }
        },
        record);
  }
}

void CheckWmf(std::string_view wmf) {
  CheckPlaceableHeader(wmf);
  std::string_view meta = wmf.substr(22);
  CheckMetafileHeader(meta);
  const uint16_t object_count = U16(meta, 10);
  const uint32_t max_record = U32(meta, 12);

  Replay replay;
  size_t at = 18;
  while (at < meta.size()) {
    FUZZ_CHECK(!replay.eof, "records after META_EOF");
    const WmfRecord record = ReadRecord(meta, at);
    replay.largest = std::max(replay.largest, record.words);
    ReplayRecord(record, replay);
    at += size_t{record.words} * 2;
  }
  FUZZ_CHECK(replay.eof, "no META_EOF");
  FUZZ_CHECK(replay.saved.empty(), "SAVEDC without RESTOREDC");
  FUZZ_CHECK(max_record == replay.largest, "largest-record field",
             std::to_string(max_record) + " != " + std::to_string(replay.largest));
  FUZZ_CHECK(object_count >= replay.slots.size(), "object count below the highest slot used",
             std::to_string(object_count) + " < " + std::to_string(replay.slots.size()));
}

void CheckPng(const std::string& png, int width, int height) {
  std::string_view rest = png;
  auto read = [](void* closure, unsigned char* data, unsigned int length) {
    auto* left = static_cast<std::string_view*>(closure);
    if (left->size() < length) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, left->data(), length);
    left->remove_prefix(length);
    return CAIRO_STATUS_SUCCESS;
  };
  cairo_surface_t* image = cairo_image_surface_create_from_png_stream(read, &rest);
  const bool whole = cairo_surface_status(image) == CAIRO_STATUS_SUCCESS &&
                     cairo_image_surface_get_width(image) == width &&
                     cairo_image_surface_get_height(image) == height;
  cairo_surface_destroy(image);
  FUZZ_CHECK(whole, "PNG not read back whole");
}

void CheckSvg(std::string_view svg) {
  FUZZ_CHECK(base::IsValidUtf8(svg), "SVG is not valid UTF-8");
  xmlDocPtr doc =
      xmlReadMemory(svg.data(), static_cast<int>(svg.size()), "sheet.svg", nullptr,
                    XML_PARSE_NONET | XML_PARSE_NOWARNING | XML_PARSE_NOERROR | XML_PARSE_HUGE);
  FUZZ_CHECK(doc, "SVG is not well-formed XML");
  xmlNodePtr root = xmlDocGetRootElement(doc);
  FUZZ_CHECK(root && xmlStrEqual(root->name, BAD_CAST "svg"), "SVG root is not <svg>");
  xmlXPathContextPtr context = xmlXPathNewContext(doc);
  xmlXPathObjectPtr ids = xmlXPathEvalExpression(BAD_CAST "//@id", context);
  std::set<std::string> seen;
  for (int i = 0; ids && ids->nodesetval && i < ids->nodesetval->nodeNr; ++i) {
    xmlChar* id = xmlNodeGetContent(ids->nodesetval->nodeTab[i]);
    std::string value = reinterpret_cast<const char*>(id);
    xmlFree(id);
    FUZZ_CHECK(seen.insert(value).second, "SVG id given twice:", value);
  }
  xmlXPathFreeObject(ids);
  // Whatever a <use> draws or a fill or clip takes is in the document.
  xmlXPathObjectPtr refs = xmlXPathEvalExpression(
      BAD_CAST "//@*[local-name()='href' or local-name()='fill' or local-name()='clip-path']",
      context);
  for (int i = 0; refs && refs->nodesetval && i < refs->nodesetval->nodeNr; ++i) {
    xmlNodePtr attribute = refs->nodesetval->nodeTab[i];
    xmlChar* ref = xmlNodeGetContent(attribute);
    std::string value = reinterpret_cast<const char*>(ref);
    xmlFree(ref);
    std::string id;
    if (xmlStrEqual(attribute->name, BAD_CAST "href")) {
      FUZZ_CHECK(value.rfind('#', 0) == 0, "SVG href outside the document:", value);
      id = value.substr(1);
    } else if (value.rfind("url(", 0) == 0) {
      FUZZ_CHECK(value.rfind("url(#", 0) == 0 && value.back() == ')',
                 "SVG url outside the document:", value);
      id = value.substr(5, value.size() - 6);
    } else {
      continue;
    }
    FUZZ_CHECK(seen.count(id), "SVG reference to no element:", value);
  }
  xmlXPathFreeObject(refs);
  xmlXPathFreeContext(context);
  xmlFreeDoc(doc);
}

void CheckDxf(std::string_view dxf, bool utf8) {
  if (utf8) FUZZ_CHECK(base::IsValidUtf8(dxf), "DXF 2010 is not valid UTF-8");
  std::string section, table, previous;
  std::set<std::string> handles;
  size_t at = 0;
  auto line = [&]() {
    size_t end = dxf.find("\r\n", at);
    FUZZ_CHECK(end != std::string_view::npos, "DXF line without CR LF");
    std::string_view out = dxf.substr(at, end - at);
    FUZZ_CHECK(out.find_first_of("\r\n") == std::string_view::npos, "DXF line break in a value");
    at = end + 2;
    return out;
  };
  while (at < dxf.size()) {
    std::string_view code_text = line();
    size_t digits = code_text.find_first_not_of(' ');
    FUZZ_CHECK(digits != std::string_view::npos && digits < code_text.size(), "empty DXF code");
    int code = 0;
    for (char c : code_text.substr(digits)) {
      FUZZ_CHECK(c >= '0' && c <= '9', "DXF code not a number:", std::string(code_text));
      code = code * 10 + (c - '0');
    }
    FUZZ_CHECK(at < dxf.size(), "DXF code without a value");
    std::string value(line());
    if (code == 5 && section == "ENTITIES") {
      FUZZ_CHECK(handles.insert(value).second, "DXF handle given twice:", value);
    }
    if (code == 2 && previous == "SECTION") section = value;
    if (code == 2 && previous == "TABLE") table = value;
    if (code == 0) {
      if (value == "SECTION") FUZZ_CHECK(section.empty(), "DXF section inside a section");
      if (value == "TABLE") FUZZ_CHECK(section == "TABLES" && table.empty(), "DXF table misplaced");
      if (value == "ENDTAB") FUZZ_CHECK(!table.empty(), "DXF ENDTAB without TABLE");
      if (value == "ENDTAB") table.clear();
      if (value == "ENDSEC") {
        FUZZ_CHECK(!section.empty() && table.empty(), "DXF ENDSEC misplaced");
        section.clear();
      }
      if (value == "EOF") FUZZ_CHECK(at == dxf.size() && section.empty(), "DXF EOF misplaced");
      previous = value;
    }
  }
  FUZZ_CHECK(previous == "EOF", "DXF without EOF");
}

}  // namespace sheetwright::fuzz
