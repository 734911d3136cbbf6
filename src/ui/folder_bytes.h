// Folder paths as the window shows them and as the file system spells them. A folder copied from
// Windows has a CP932 name, which the window shows decoded (and Qt's own file
// models show with U+FFFD); the program uses the original bytes, found again from the shown path
// by looking at the names the file system really holds.
#pragma once

#include <QString>
#include <string>

namespace sheetwright::ui {

// The bytes of `shown`, a path as the window or Qt's file models show it: each leading component
// that names an existing entry (spelt as UTF-8, shown decoded from CP932, or shown by Qt with
// replacement characters) becomes that entry's bytes; the rest stays UTF-8.
std::string PathBytes(const QString& shown);

// `bytes` names an existing folder.
bool IsFolder(const std::string& bytes);

// Creates `bytes` with its missing parents (a folder that still cannot be made, on a read-only
// medium say, is left to the store that follows to report). False, and nothing made, when a name to
// be made holds a replacement character: that is a decoded display name, not one a user typed.
bool MakeFolder(const std::string& bytes);

}  // namespace sheetwright::ui
