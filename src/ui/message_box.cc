#include "ui/message_box.h"

#include <QMessageBox>
#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace sheetwright::ui {
namespace {

void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
  QMessageBox box(icon, "Sheetwright", text, QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace

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
