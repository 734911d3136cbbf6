// The program's message boxes, caption "Sheetwright": a plain message or an error with one OK
// button, and a Yes/No question whose default is No. Errors that carry a system reason show the
// reasons a user meets most in Japanese.
#pragma once

#include <QString>

class QWidget;

namespace sheetwright::ui {

void ShowMessage(QWidget* parent, const QString& text);
void ShowError(QWidget* parent, const QString& text);
// True on Yes. `name` becomes the box's object name.
bool Ask(QWidget* parent, const QString& text, const char* name = "Question");

// `text` with a trailing system reason (strerror's wording) of a common error put in Japanese:
// no such file, permission, no space, read-only file system, too many open files, I/O error.
// Other reasons stay as the system words them.
QString InJapanese(const QString& text);

}  // namespace sheetwright::ui
