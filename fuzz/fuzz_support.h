// Shared pieces of the fuzz targets: cutting one fuzz input into several files, text metrics that
// need no fonts, and checks of what a conversion produced (record ranges of a picture, the
// structure of a stored metafile). A failed check aborts, which libFuzzer reports as a crash with
// the message printed first.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "picture/picture.h"
#include "picture/text_metrics.h"

namespace sheetwright::fuzz {

// Prints the failed expectation and aborts.
[[noreturn]] inline void Fail(const char* what, const std::string& detail = {}) {
  std::fprintf(stderr, "FUZZ CHECK FAILED: %s %s\n", what, detail.c_str());
  std::abort();
}

// FUZZ_CHECK(condition, what[, detail])
#define FUZZ_CHECK(cond, ...)                            \
  do {                                                   \
    if (!(cond)) ::sheetwright::fuzz::Fail(__VA_ARGS__); \
  } while (0)

// The byte that separates the files packed into one input. 0xFF is no CP932 lead or trail byte,
// so real map files never hold it, and the seeds stay valid files.
constexpr char kPartSeparator = '\xFF';

// Cuts `data` at every separator byte into exactly `count` parts; parts beyond the input are
// empty, separators beyond `count` - 1 stay in the last part.
inline std::vector<std::string> SplitParts(const uint8_t* data, size_t size, size_t count) {
  std::vector<std::string> parts(count);
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  for (size_t i = 0; i < count; ++i) {
    size_t cut = i + 1 < count ? rest.find(kPartSeparator) : std::string_view::npos;
    parts[i] = std::string(rest.substr(0, cut));
    if (cut == std::string_view::npos) break;
    rest.remove_prefix(cut + 1);
  }
  return parts;
}

// A label's extent from its length and the font height alone, bounded whatever the inputs.
class FuzzMetrics : public picture::TextMetrics {
 public:
  picture::TextExtent Measure(const picture::LabelFont& font, std::string_view text) override {
    int64_t h = font.height < 0 ? -int64_t{font.height} : font.height;
    if (h > 1000) h = 1000;
    return {static_cast<int32_t>(text.size() * (h / 2 + 1)), static_cast<int32_t>(h + 2)};
  }
};

// Every record of `picture` (and of the layers nested in it) refers to points and text that exist.
void CheckPicture(const picture::Picture& picture, int depth = 0);

// Checks the structure a strict metafile reader relies on: placeable header key and checksum,
// standard header (size in words, object count covering every slot used, largest record size),
// record sizes that add up and match their content, SAVEDC/RESTOREDC balanced, objects selected
// only while they exist and deleted only once no device context state selects them, META_EOF last.
void CheckWmf(std::string_view wmf);

// Checks that an SVG document is valid UTF-8 and well-formed XML (libxml2 reads it strictly), with
// the svg element at its root and no id given twice.
void CheckSvg(std::string_view svg);

// Checks that libpng (through Cairo) reads a PNG whole, at the given size.
void CheckPng(const std::string& png, int width, int height);

// Empty when qpdf's library reads a PDF document without a warning (cross-references, every
// object and stream, the page's content parsed) and it has `layers` optional content groups, or
// one more for what the sheet draws itself; else what is wrong.
std::string PdfProblem(const std::string& pdf, size_t layers);
// For a document whose groups are not counted (a printed map merges groups of one name).
inline constexpr size_t kAnyLayers = static_cast<size_t>(-1);

// Checks the group structure every DXF reader relies on: a numeric code line before each value,
// CR LF line ends, sections opened and closed in turn (tables within TABLES), the file ending in
// EOF; in `utf8` files (release 2010) valid UTF-8 and no entity handle given twice.
void CheckDxf(std::string_view dxf, bool utf8);

}  // namespace sheetwright::fuzz
