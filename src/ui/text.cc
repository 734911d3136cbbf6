#include "ui/text.h"

#include <QStringList>

#include "drawing/font_library.h"
#include "mapdata/encoding.h"

namespace sheetwright::ui {

QString ShownText(std::string_view bytes) { return FromUtf8(mapdata::PlatformTextToUtf8(bytes)); }

QFont ReferenceFont(const std::string& face, int pixels) {
  QFont font;
  font.setFamilies(
      QStringList{FromUtf8(face), FromUtf8(drawing::FontLibrary::SubstituteFace(face))});
  font.setPixelSize(pixels);
  return font;
}

}  // namespace sheetwright::ui
