// The folder chooser "ディレクトリの選択" of both folder buttons: the mounted volumes, the folder
// tree, a greyed list of the highlighted folder's files and an editable field with the full path of
// the highlighted folder, where any path may be typed. It starts at the working folder. OK on a
// path that is no folder asks "指定されたディレクトリが存在しません。作成しますか？": No keeps the
// dialog open, Yes accepts; the folder is then created with its parents. Paths are shown decoded
// and chosen as the bytes the file system holds (see folder_bytes.h).
#pragma once

#include <QDialog>
#include <QString>
#include <optional>
#include <stdexcept>
#include <string>

class QComboBox;
class QFileSystemModel;
class QLineEdit;
class QListView;
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

 private:
  // The steps of the constructor: the controls, their places, what follows a choice in the tree
  // or the volume box, and the tree opened at the working folder as the model reads it.
  void BuildControls();
  void LayOut();
  void FollowChoices();
  void OpenAtWorkingFolder();
  void ShowFolder(const QString& path);

  QComboBox* volumes_;
  QFileSystemModel* folders_;
  QFileSystemModel* files_;
  QTreeView* tree_;
  QListView* file_list_;
  QLineEdit* path_;
  QString shown_folder_;  // the tree's folder last shown in the path field
};

}  // namespace sheetwright::ui
