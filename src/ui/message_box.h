// The program's message boxes, caption "Sheetwright": a plain message or an error with one OK
// button, and a Yes/No question whose default is No. Errors that carry a system reason show the
// reasons a user meets most in Japanese.
#pragma once

#include <QString>

class QMessageBox;
class QWidget;

namespace sheetwright::ui {

// What a title bar needs beside its text: the window manager's icon and buttons and margins.
constexpr int kTitleBarRoom = 160;

// Widens `box` so that its title bar holds the whole caption: a short message ("END") would
// otherwise make a box whose title the window manager shortens to "...".
void KeepTitleWhole(QMessageBox& box);

void ShowMessage(QWidget* parent, const QString& text);
void ShowError(QWidget* parent, const QString& text);
// True on Yes. `name` becomes the box's object name.
bool Ask(QWidget* parent, const QString& text, const char* name = "Question");

// `text` with a trailing system reason (strerror's wording) of a common error put in Japanese:
// no such file, permission, no space, read-only file system, too many open files, I/O error.
// Other reasons stay as the system words them.
QString InJapanese(const QString& text);

}  // namespace sheetwright::ui
