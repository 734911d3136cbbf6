// The common Japanese faces of Windows under each name they go by: the Japanese
// name that settings files and the window use, the English family name that a stored metafile
// uses, and the IPA face that stands in for it here. Windows matches a face by either name; other
// metafile readers need the English one (Inkscape hangs on a face name that is not ASCII). For
// measuring and drawing text use FontLibrary, which applies the stand-ins.
#pragma once

#include <string_view>

namespace sheetwright::picture {

struct JapaneseFace {
  std::string_view name;          // UTF-8, as the user chose it: "ＭＳ Ｐゴシック"
  std::string_view english_name;  // "MS PGothic"
  std::string_view stand_in;      // "IPAPGothic"; empty: fontconfig is asked for the name itself
};

// The face whose Japanese name is exactly `name`, or null.
const JapaneseFace* FindJapaneseFace(std::string_view name);

}  // namespace sheetwright::picture
