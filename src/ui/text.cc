#include "ui/text.h"

#include <QStringList>

#include "base/encoding.h"
#include "picture/font_library.h"

namespace sheetwright::ui {

QString ShownText(std::string_view bytes) { return FromUtf8(base::PlatformTextToUtf8(bytes)); }

QFont ReferenceFont(const std::string& face, int pixels) {
  QFont font;
  font.setFamilies(
      QStringList{FromUtf8(face), FromUtf8(picture::FontLibrary::SubstituteFace(face))});
  font.setPixelSize(pixels);
  return font;
}

}  // namespace sheetwright::ui
