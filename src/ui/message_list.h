// The messages of one conversion run ("メッセージ一覧"): every message about a bad record, as
// "MESH: text", also those the user chose not to see one by one. Opened after a run in which
// messages were silenced; the list can be saved as UTF-8 text.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QPlainTextEdit;

namespace sheetwright::ui {

class MessageList : public QDialog {
  Q_OBJECT

 public:
  explicit MessageList(QWidget* parent = nullptr);

  void Clear();
  void Add(const QString& mesh, const QString& text);
  const QStringList& Lines() const { return lines_; }

  // Where 保存... starts: the run's output folder (where its drawings are), not the working folder.
  void SetSaveFolder(const QString& folder) { save_folder_ = folder; }
  // The path 保存... offers first: messages.txt in that folder.
  QString SaveStart() const;

  // Writes the list, one message a line; false when the file cannot be written.
  bool SaveTo(const QString& path) const;

 private:
  void Save();

  QStringList lines_;
  QString save_folder_;
  QPlainTextEdit* view_;
};

}  // namespace sheetwright::ui
