// The folder chooser "ディレクトリの選択" of both folder buttons: the mounted volumes, the folder
// tree, a greyed list of the highlighted folder's files and an editable field with the full path of
// the highlighted folder, where any path may be typed. It starts at the working folder. OK on a
// path that is no folder asks "指定されたディレクトリが存在しません。作成しますか？": No keeps the
// dialog open, Yes accepts; the folder is then created with its parents. Paths are shown decoded
// and chosen as the bytes the file system holds (see folder_bytes.h): the tree lists every folder,
// those named in CP932 too (which Qt's own file models leave out), read as the user opens it.
#pragma once

#include <QDialog>
#include <QString>
#include <optional>
#include <stdexcept>
#include <string>

class QComboBox;
class QLineEdit;
class QListView;
class QStandardItem;
class QStandardItemModel;
class QStringListModel;
class QTreeView;

namespace sheetwright::ui {

// A chosen folder that cannot be created: an empty path, a bare name (no parent folder) that does
// not exist, or a name that only a display of undecodable bytes spells. what() is
// "ディレクトリを作成できません".
class FolderCreationError : public std::runtime_error {
 public:
  FolderCreationError() : std::runtime_error("ディレクトリを作成できません") {}
};

class FolderChooser : public QDialog {
  Q_OBJECT

 public:
  explicit FolderChooser(QWidget* parent = nullptr);

  // The path the field names, made absolute ("~" expanded, a relative path under the home folder).
  QString Path() const;

  // Runs the chooser. nullopt on Cancel; otherwise the bytes of the path the field held, created
  // with its missing parents (a folder that still cannot be created, on a read-only medium say, is
  // returned all the same). Throws FolderCreationError.
  static std::optional<std::string> Choose(QWidget* parent);

  void accept() override;

  // The bytes of the folder highlighted in the tree ("" when none).
  std::string HighlightedFolder() const;
  // Opens the tree down to `bytes` and highlights it; false when no folder on the way is found.
  bool OpenAt(const std::string& bytes);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The steps of the constructor: the controls, their places, what follows a choice in the tree
  // or the volume box, and the tree opened at the working folder as the model reads it.
  void BuildControls();
  void LayOut();
  void FollowChoices();
  void ShowFolder(const std::string& bytes);
  // A row for the folder `bytes` shown as `name`, with a stand-in child until it is read.
  QStandardItem* FolderRow(const QString& name, const std::string& bytes);
  // Reads the subfolders of `item` once, in place of its stand-in child.
  void ReadSubfolders(QStandardItem* item);

  QComboBox* volumes_;
  QStandardItemModel* folders_;
  QStringListModel* files_;
  QTreeView* tree_;
  QListView* file_list_;
  QLineEdit* path_;
};

}  // namespace sheetwright::ui
