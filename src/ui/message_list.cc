#include "ui/message_list.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

#include "ui/message_box.h"

namespace sheetwright::ui {

MessageList::MessageList(QWidget* parent) : QDialog(parent) {
  setObjectName("MessageList");
  setWindowTitle("メッセージ一覧");
  view_ = new QPlainTextEdit(this);
  view_->setReadOnly(true);
  view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* save = buttons->addButton("保存(&S)...", QDialogButtonBox::ActionRole);
  buttons->addButton("閉じる", QDialogButtonBox::RejectRole);
  connect(save, &QPushButton::clicked, this, &MessageList::Save);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view_);
  layout->addWidget(buttons);
  resize(640, 360);
}

void MessageList::Clear() {
  lines_.clear();
  view_->clear();
}

void MessageList::Add(const QString& mesh, const QString& text) {
  lines_.append(mesh.isEmpty() ? text : mesh + ": " + text);
  view_->appendPlainText(lines_.back());
}

bool MessageList::SaveTo(const QString& path) const {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  QByteArray bytes = (lines_.join('\n') + '\n').toUtf8();
  return file.write(bytes) == bytes.size() && file.commit();
}

QString MessageList::SaveStart() const {
  return save_folder_.isEmpty() ? QString("messages.txt")
                                : QDir(save_folder_).filePath("messages.txt");
}

void MessageList::Save() {
  QString path = QFileDialog::getSaveFileName(this, "メッセージの保存", SaveStart(),
                                              "テキスト (*.txt);;すべてのファイル (*)");
  if (!path.isEmpty() && !SaveTo(path)) ShowError(this, path + " に書き込めません");
}

}  // namespace sheetwright::ui
