#include "ui/message_box.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace sheetwright::ui {
namespace {

void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
  QMessageBox box(icon, "Sheetwright", text, QMessageBox::Ok, parent);
  KeepTitleWhole(box);
  box.exec();
}

}  // namespace

// The box sizes itself from its layout's minimum width, so a spacer that wide across the layout's
// last row holds it open.
void KeepTitleWhole(QMessageBox& box) {
  QFont title_font = QApplication::font("QMdiSubWindowTitleBar");
  title_font.setBold(true);  // most window managers set the title in bold
  int width = QFontMetrics(title_font).horizontalAdvance(box.windowTitle()) + kTitleBarRoom;
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
}

void ShowMessage(QWidget* parent, const QString& text) {
  ShowBox(parent, QMessageBox::NoIcon, text);
}

void ShowError(QWidget* parent, const QString& text) {
  ShowBox(parent, QMessageBox::Critical, InJapanese(text));
}

bool Ask(QWidget* parent, const QString& text, const char* name) {
  QMessageBox question(QMessageBox::Question, "Sheetwright", text,
                       QMessageBox::Yes | QMessageBox::No, parent);
  question.setObjectName(name);
  question.setDefaultButton(QMessageBox::No);
  KeepTitleWhole(question);
  return question.exec() == QMessageBox::Yes;
}

QString InJapanese(const QString& text) {
  static const std::array<std::pair<int, const char*>, 11> kReasons{{
      {ENOENT, "ファイルまたはディレクトリがありません"},
      {EACCES, "アクセスが拒否されました"},
      {EPERM, "操作は許可されていません"},
      {ENOSPC, "ディスクの空き容量が足りません"},
      {EROFS, "読み取り専用のファイルシステムです"},
      {EMFILE, "開いているファイルが多すぎます"},
      {EIO, "入出力エラーです"},
      {EISDIR, "ディレクトリです"},
      {ENOTDIR, "ディレクトリではありません"},
      {ENAMETOOLONG, "ファイル名が長すぎます"},
      {ELOOP, "シンボリックリンクの階層が多すぎます"},
  }};
  // Wherever the reason stands: at the end, or before a line the window added.
  QString japanese = text;
  for (const auto& [code, words] : kReasons) {
    japanese.replace(QString::fromLocal8Bit(std::strerror(code)), QString::fromUtf8(words));
  }
  return japanese;
}

}  // namespace sheetwright::ui
