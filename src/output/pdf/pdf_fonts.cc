#include "output/pdf/pdf_fonts.h"

#include <hb-ot.h>
#include <hb-subset.h>
#include <hb.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "output/pdf/pdf_file.h"

namespace sheetwright::output {
namespace {

// HarfBuzz objects, each released with its own destroy function.
template <class T, void (*Destroy)(T*)>
struct HbDeleter {
  void operator()(T* object) const { Destroy(object); }
};
template <class T, void (*Destroy)(T*)>
using HbHandle = std::unique_ptr<T, HbDeleter<T, Destroy>>;
using Blob = HbHandle<hb_blob_t, hb_blob_destroy>;
using HbFace = HbHandle<hb_face_t, hb_face_destroy>;
using HbFont = HbHandle<hb_font_t, hb_font_destroy>;
using SubsetInput = HbHandle<hb_subset_input_t, hb_subset_input_destroy>;

constexpr size_t kMaxCodes = 0xFFFF;  // two-byte codes; code 0 stays the missing glyph

// A PostScript name as a PDF name may hold it: letters, digits and a few marks.
std::string CleanName(std::string name) {
  std::erase_if(name, [](char c) {
    return !((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
             c == '-' || c == '_' || c == '.');
  });
  return name.empty() ? std::string("Font") : name;
}

std::string Hex4(uint32_t v) {
  char s[8];
  std::snprintf(s, sizeof s, "%04X", v & 0xFFFF);
  return s;
}

int16_t BigEndian16(const char* p) {
  return static_cast<int16_t>((static_cast<uint8_t>(p[0]) << 8) | static_cast<uint8_t>(p[1]));
}

// The subset's name: a tag of six capitals that follows from the glyphs (so the same drawing
// gives the same name), '+', the face's PostScript name.
std::string SubsetName(hb_face_t* face, const std::vector<uint32_t>& glyphs) {
  uint32_t hash = 2166136261u;
  for (uint32_t g : glyphs) hash = (hash ^ g) * 16777619u;
  std::string name(6, 'A');
  for (char& c : name) c = static_cast<char>('A' + (hash % 26)), hash /= 26;
  char ps[128];
  unsigned ps_size = sizeof ps;
  hb_ot_name_get_utf8(face, HB_OT_NAME_ID_POSTSCRIPT_NAME, HB_LANGUAGE_INVALID, &ps_size, ps);
  return name + '+' + CleanName(std::string(ps, std::min<unsigned>(ps_size, sizeof ps - 1)));
}

// The font descriptor's metrics in thousandths of an em: bounding box (from the 'head' table),
// ascent, descent and the entries a reader wants but does not use for embedded fonts.
std::string Metrics(hb_face_t* face, hb_font_t* font) {
  unsigned upem = std::max(1u, hb_face_get_upem(face));
  auto thousandths = [&](double v) { return std::to_string(std::lround(v * 1000.0 / upem)); };
  hb_font_extents_t extents{};
  hb_font_get_h_extents(font, &extents);
  std::string bbox =
      "[0 " + thousandths(extents.descender) + " 1000 " + thousandths(extents.ascender) + "]";
  Blob head(hb_face_reference_table(face, HB_TAG('h', 'e', 'a', 'd')));
  unsigned head_size = 0;
  const char* head_data = hb_blob_get_data(head.get(), &head_size);
  if (head_size >= 44) {
    bbox = "[" + thousandths(BigEndian16(head_data + 36)) + " " +
           thousandths(BigEndian16(head_data + 38)) + " " +
           thousandths(BigEndian16(head_data + 40)) + " " +
           thousandths(BigEndian16(head_data + 42)) + "]";
  }
  return "/FontBBox " + bbox + " /ItalicAngle 0 /Ascent " + thousandths(extents.ascender) +
         " /Descent " + thousandths(extents.descender) + " /CapHeight " +
         thousandths(extents.ascender) + " /StemV 80";
}

// The ToUnicode map of a font: code i gives back characters[i].
std::string ToUnicode(const std::vector<char32_t>& characters) {
  std::string cmap =
      "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
  for (size_t first = 1; first < characters.size(); first += 100) {
    size_t last = std::min(characters.size(), first + 100);
    cmap += std::to_string(last - first) + " beginbfchar\n";
    for (size_t i = first; i < last; ++i) {
      char32_t c = characters[i];
      std::string utf16 = c >= 0x10000 ? Hex4(0xD800 + ((c - 0x10000) >> 10)) +
                                             Hex4(0xDC00 + ((c - 0x10000) & 0x3FF))
                                       : Hex4(c);
      cmap += '<' + Hex4(static_cast<uint32_t>(i)) + "> <" + utf16 + ">\n";
    }
    cmap += "endbfchar\n";
  }
  cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
  return cmap;
}

}  // namespace

struct PdfFonts::Face {
  Blob blob;
  HbFace face;
  HbFont font;
  int object = 0;
  std::unordered_map<char32_t, uint16_t> codes;
  // By code, from 1: the character, its glyph and width.
  std::vector<char32_t> characters{0};
  std::vector<uint32_t> glyphs{0};
  std::vector<int> widths{0};
};

PdfFonts::PdfFonts(PdfFile& file) : file_(file) {}
PdfFonts::~PdfFonts() = default;

int PdfFonts::Font(const picture::LabelFace& face) {
  if (auto it = by_face_.find(&face); it != by_face_.end()) return it->second;
  std::string key = face.file + '\0' + std::to_string(face.index);
  auto [it, inserted] = by_file_.try_emplace(key, -1);
  if (inserted && !face.file.empty()) {
    auto entry = std::make_unique<Face>();
    entry->blob.reset(hb_blob_create_from_file_or_fail(face.file.c_str()));
    if (entry->blob) {
      entry->face.reset(hb_face_create(entry->blob.get(), face.index));
      entry->font.reset(hb_font_create(entry->face.get()));
      if (hb_face_get_glyph_count(entry->face.get()) > 0) {
        entry->object = file_.Reserve();
        fonts_.push_back(std::move(entry));
        it->second = static_cast<int>(fonts_.size()) - 1;
      }
    }
  }
  by_face_.emplace(&face, it->second);
  return it->second;
}

PdfFonts::Code PdfFonts::Char(int font, char32_t code, uint32_t glyph) {
  Face& f = *fonts_.at(font);
  auto [it, inserted] = f.codes.try_emplace(code, 0);
  if (inserted && f.characters.size() <= kMaxCodes) {
    it->second = static_cast<uint16_t>(f.characters.size());
    unsigned upem = std::max(1u, hb_face_get_upem(f.face.get()));
    f.characters.push_back(code);
    f.glyphs.push_back(glyph);
    f.widths.push_back(static_cast<int>(
        std::lround(hb_font_get_glyph_h_advance(f.font.get(), glyph) * 1000.0 / upem)));
  }
  return Code{it->second, f.widths[it->second]};
}

int PdfFonts::Object(int font) const { return fonts_.at(font)->object; }

void PdfFonts::Write() {
  for (auto& face : fonts_) WriteFace(*face);
}

void PdfFonts::WriteFace(Face& f) {
  // The subset: the glyphs used, at their own ids, without hinting (readers scale outlines).
  SubsetInput input(hb_subset_input_create_or_fail());
  hb_set_t* glyph_set = hb_subset_input_glyph_set(input.get());
  for (uint32_t g : f.glyphs) hb_set_add(glyph_set, g);
  hb_subset_input_set_flags(input.get(), HB_SUBSET_FLAGS_RETAIN_GIDS | HB_SUBSET_FLAGS_NO_HINTING);
  HbFace subset(hb_subset_or_fail(f.face.get(), input.get()));
  input.reset();
  Blob program(subset ? hb_face_reference_blob(subset.get()) : hb_blob_get_empty());
  unsigned program_size = 0;
  const char* program_data = hb_blob_get_data(program.get(), &program_size);

  std::string name = SubsetName(f.face.get(), f.glyphs);
  std::string metrics = Metrics(f.face.get(), f.font.get());
  int cid_font = file_.Reserve(), descriptor = file_.Reserve(), program_object = file_.Reserve();
  int to_gid = file_.Reserve(), to_unicode = file_.Reserve();
  auto ref = [](int n) { return std::to_string(n) + " 0 R"; };
  file_.Object(f.object, "<< /Type /Font /Subtype /Type0 /BaseFont /" + name +
                             " /Encoding /Identity-H /DescendantFonts [" + ref(cid_font) +
                             "] /ToUnicode " + ref(to_unicode) + " >>");
  std::string widths = "[1 [";
  for (size_t i = 1; i < f.widths.size(); ++i) widths += std::to_string(f.widths[i]) + ' ';
  widths += "]]";
  file_.Object(cid_font,
               "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + name +
                   " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
                   " /FontDescriptor " +
                   ref(descriptor) + " /DW 1000 /W " + widths + " /CIDToGIDMap " + ref(to_gid) +
                   " >>");
  file_.Object(descriptor, "<< /Type /FontDescriptor /FontName /" + name + " /Flags 4 " + metrics +
                               " /FontFile2 " + ref(program_object) + " >>");
  file_.Stream(program_object, "", std::string_view(program_data, program_size), true);
  program.reset();
  subset.reset();

  std::string map;
  for (uint32_t g : f.glyphs) map += {static_cast<char>(g >> 8), static_cast<char>(g & 0xFF)};
  file_.Stream(to_gid, "", map);

  file_.Stream(to_unicode, "", ToUnicode(f.characters));
}

}  // namespace sheetwright::output
