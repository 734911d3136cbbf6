// The characters a label shows: its CP932 bytes decoded, without control characters. A label's
// TAB, CR, LF, DEL or other C0 byte neither draws nor takes room in any drawing of it (preview,
// PNG, SVG, PDF): readers disagree on what such a character does (a box, a line break, a jump),
// and a label is one line of text. The metafile keeps the bytes as they are.
#pragma once

#include <string>
#include <string_view>

#include "base/encoding.h"

namespace sheetwright::picture {

inline bool IsLabelControl(char32_t c) { return c < 0x20 || c == 0x7F; }

inline std::u32string LabelCharacters(std::string_view cp932) {
  std::u32string out = base::CodePoints(base::Cp932ToUtf8(cp932));
  std::erase_if(out, IsLabelControl);
  return out;
}

}  // namespace sheetwright::picture
