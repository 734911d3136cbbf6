#include "ui/folder_chooser.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QStorageInfo>
#include <QTreeView>

#include "platform/folders.h"
#include "ui/folder_bytes.h"
#include "ui/text.h"

namespace sheetwright::ui {

FolderChooser::FolderChooser(QWidget* parent) : QDialog(parent) {
  setObjectName("FolderChooser");
  setWindowTitle("ディレクトリの選択");
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setModal(true);

  BuildControls();
  LayOut();
  FollowChoices();
  OpenAtWorkingFolder();
}

void FolderChooser::BuildControls() {
  volumes_ = new QComboBox(this);
  volumes_->setObjectName("CmbVolume");
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (volume.isValid() && volume.isReady()) volumes_->addItem(volume.rootPath());
  }

  folders_ = new QFileSystemModel(this);
  folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  folders_->setRootPath(QDir::rootPath());
  tree_ = new QTreeView(this);
  tree_->setObjectName("TreeFolders");
  tree_->setModel(folders_);
  for (int column = 1; column < folders_->columnCount(); ++column) tree_->hideColumn(column);
  tree_->setHeaderHidden(true);

  files_ = new QFileSystemModel(this);
  files_->setFilter(QDir::Files | QDir::System);
  file_list_ = new QListView(this);
  file_list_->setObjectName("LstFiles");
  file_list_->setModel(files_);
  file_list_->setEnabled(false);  // shown for orientation only

  path_ = new QLineEdit(this);
  path_->setObjectName("EdPath");
}

void FolderChooser::LayOut() {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &FolderChooser::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &FolderChooser::reject);

  auto* layout = new QGridLayout(this);
  auto* path_label = new QLabel("フォルダ(&F):", this);
  path_label->setBuddy(path_);
  auto* volume_label = new QLabel("ドライブ(&V):", this);
  volume_label->setBuddy(volumes_);
  layout->addWidget(path_label, 0, 0);
  layout->addWidget(path_, 0, 1, 1, 2);
  layout->addWidget(tree_, 1, 0, 1, 2);
  layout->addWidget(file_list_, 1, 2);
  layout->addWidget(volume_label, 2, 0);
  layout->addWidget(volumes_, 2, 1);
  layout->addWidget(buttons, 2, 2);
  resize(520, 380);
}

void FolderChooser::FollowChoices() {
  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            // The model re-reports the same folder as it reads in the background; only a move
            // to another folder replaces what the user typed.
            if (current.isValid() && folders_->filePath(current) != shown_folder_) {
              ShowFolder(folders_->filePath(current));
            }
          });
  connect(volumes_, &QComboBox::activated, this, [this] {
    QModelIndex index = folders_->index(volumes_->currentText());
    tree_->setCurrentIndex(index);
  });
}

void FolderChooser::OpenAtWorkingFolder() {
  // The model reads folders in the background: each folder on the way to the working folder is
  // opened once it has been read, and the working folder brought into view.
  QString start = QDir::currentPath();
  tree_->setCurrentIndex(folders_->index(start));
  connect(folders_, &QFileSystemModel::directoryLoaded, this, [this, start](const QString& path) {
    if (!start.startsWith(path)) return;
    QModelIndex target = folders_->index(start);
    for (QModelIndex up = target.parent(); up.isValid(); up = up.parent()) tree_->expand(up);
    // The rows just read are sorted a moment later; scroll once they stand in place.
    if (path == folders_->filePath(target.parent())) {
      connect(
          folders_, &QFileSystemModel::layoutChanged, this,
          [this, target] {
            if (tree_->currentIndex() == target) {
              tree_->scrollTo(target, QAbstractItemView::PositionAtCenter);
            }
          },
          Qt::SingleShotConnection);
    }
  });
  ShowFolder(start);
}

void FolderChooser::ShowFolder(const QString& path) {
  shown_folder_ = path;
  path_->setText(ShownText(PathBytes(path)));
  file_list_->setRootIndex(files_->setRootPath(path));
  int volume = volumes_->findText(QStorageInfo(path).rootPath());
  if (volume >= 0) volumes_->setCurrentIndex(volume);
}

// "~" and "~/..." name the home folder; any other path that does not start at the root is taken
// against the home folder (not the working folder), and stored whole.
QString FolderChooser::Path() const {
  QString typed = path_->text().trimmed();
  if (typed == "~" || typed.startsWith("~/")) return QDir::homePath() + typed.mid(1);
  if (typed.isEmpty() || QDir::isAbsolutePath(typed)) return typed;
  return QDir::cleanPath(QDir::homePath() + "/" + typed);
}

void FolderChooser::accept() {
  if (!IsFolder(PathBytes(Path()))) {
    QMessageBox question(QMessageBox::Question, "確認",
                         "指定されたディレクトリが存在しません。作成しますか？",
                         QMessageBox::Yes | QMessageBox::No, this);
    question.setObjectName("QuestionCreate");
    if (question.exec() != QMessageBox::Yes) return;
  }
  QDialog::accept();
}

std::optional<std::string> FolderChooser::Choose(QWidget* parent) {
  FolderChooser chooser(parent);
  if (chooser.exec() != QDialog::Accepted) return std::nullopt;
  std::string path = PathBytes(chooser.Path());
  if (!IsFolder(path)) {
    // Without a parent folder there is nowhere to create it.
    if (platform::LastSeparator(path) == std::string::npos || !MakeFolder(path))
      throw FolderCreationError();
  }
  return path;
}

}  // namespace sheetwright::ui
