// Text between the core and Qt: the core's strings are bytes (UTF-8, or CP932 where they come
// from map data or a foreign file), Qt's are UTF-16. And the window's fonts: the Windows
// faces the settings name, with the installed substitute behind each.
#pragma once

#include <QFont>
#include <QString>
#include <string>
#include <string_view>

namespace sheetwright::ui {

// UTF-8 text of the core.
inline QString FromUtf8(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string ToUtf8(const QString& s) { return s.toUtf8().toStdString(); }

// Bytes to show: UTF-8 when they are, else CP932 (folder names copied from Windows).
QString ShownText(std::string_view bytes);

// A font of `face` (a face name as the settings file holds it, "ＭＳ Ｐゴシック"), `pixels` high,
// that falls back to the substitute the drawings use where the face is not installed.
QFont ReferenceFont(const std::string& face, int pixels);

}  // namespace sheetwright::ui
