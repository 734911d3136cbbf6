#include "picture/japanese_faces.h"

#include <array>

namespace sheetwright::picture {
namespace {

// Full-width letters and the space between them are part of the names, as the platform spells
// them.
constexpr std::array<JapaneseFace, 8> kFaces = {{
    {"ＭＳ Ｐゴシック", "MS PGothic", "IPAPGothic"},
    {"ＭＳ ゴシック", "MS Gothic", "IPAGothic"},
    {"ＭＳ Ｐ明朝", "MS PMincho", "IPAPMincho"},
    {"ＭＳ 明朝", "MS Mincho", "IPAMincho"},
    {"ＭＳ ＵＩ ゴシック", "MS UI Gothic", ""},
    {"メイリオ", "Meiryo", ""},
    {"游ゴシック", "Yu Gothic", ""},
    {"游明朝", "Yu Mincho", ""},
}};

}  // namespace

const JapaneseFace* FindJapaneseFace(std::string_view name) {
  for (const JapaneseFace& face : kFaces) {
    if (face.name == name) return &face;
  }
  return nullptr;
}

}  // namespace sheetwright::picture
