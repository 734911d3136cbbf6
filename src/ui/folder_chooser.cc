#include "ui/folder_chooser.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QStandardItemModel>
#include <QStorageInfo>
#include <QStringListModel>
#include <QTreeView>
#include <algorithm>
#include <filesystem>
#include <utility>
#include <vector>

#include "platform/folders.h"
#include "ui/folder_bytes.h"
#include "ui/text.h"

namespace sheetwright::ui {

namespace {

constexpr int kBytesRole = Qt::UserRole + 1;   // a folder row's path, as the file system spells it
constexpr int kUnreadRole = Qt::UserRole + 2;  // the stand-in child of a folder not yet read

std::string BytesOf(const QStandardItem* item) {
  return item ? item->data(kBytesRole).toByteArray().toStdString() : std::string();
}

// The tree's top rows: the root on POSIX, each mounted drive on Windows.
std::vector<std::string> Roots() {
  if (platform::kSeparator == '/') return {"/"};
  std::vector<std::string> roots;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (volume.isValid() && volume.isReady()) roots.push_back(ToUtf8(volume.rootPath()));
  }
  return roots;
}

// Names in the order a file manager lists them: letter case aside, then by case.
bool ListedBefore(const QString& a, const QString& b) {
  int order = QString::compare(a, b, Qt::CaseInsensitive);
  return order != 0 ? order < 0 : a < b;
}

// The working folder as bytes (a CP932 name too, which Qt's current path cannot spell).
std::string WorkingFolder() {
  std::error_code error;
  std::string folder = std::filesystem::current_path(error).string();
  return error ? ToUtf8(QDir::currentPath()) : folder;
}

}  // namespace

FolderChooser::FolderChooser(QWidget* parent) : QDialog(parent) {
  setObjectName("FolderChooser");
  setWindowTitle("ディレクトリの選択");
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setModal(true);

  BuildControls();
  LayOut();
  FollowChoices();
  std::string start = WorkingFolder();
  OpenAt(start);
  ShowFolder(start);
}

void FolderChooser::BuildControls() {
  volumes_ = new QComboBox(this);
  volumes_->setObjectName("CmbVolume");
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (volume.isValid() && volume.isReady()) volumes_->addItem(volume.rootPath());
  }

  folders_ = new QStandardItemModel(this);
  for (const std::string& root : Roots()) {
    folders_->appendRow(FolderRow(ShownText(root), root));
  }
  tree_ = new QTreeView(this);
  tree_->setObjectName("TreeFolders");
  tree_->setModel(folders_);
  tree_->setHeaderHidden(true);
  tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);

  files_ = new QStringListModel(this);
  file_list_ = new QListView(this);
  file_list_->setObjectName("LstFiles");
  file_list_->setModel(files_);
  file_list_->setEnabled(false);  // shown for orientation only

  path_ = new QLineEdit(this);
  path_->setObjectName("EdPath");
}

QStandardItem* FolderChooser::FolderRow(const QString& name, const std::string& bytes) {
  auto* item = new QStandardItem(name);
  item->setData(QByteArray::fromStdString(bytes), kBytesRole);
  auto* unread = new QStandardItem;
  unread->setData(true, kUnreadRole);
  item->appendRow(unread);
  return item;
}

void FolderChooser::ReadSubfolders(QStandardItem* item) {
  if (item->rowCount() != 1 || !item->child(0)->data(kUnreadRole).toBool()) return;
  item->removeRow(0);
  std::string folder = BytesOf(item);
  std::error_code error;
  std::vector<std::pair<QString, std::string>> rows;
  for (const platform::FolderEntry& entry : platform::ListFolder(folder, error)) {
    if (entry.kind != platform::EntryKind::kFolder || entry.name.front() == '.') continue;
    rows.emplace_back(ShownText(entry.name), platform::JoinPath(folder, entry.name));
  }
  std::sort(rows.begin(), rows.end(),
            [](const auto& a, const auto& b) { return ListedBefore(a.first, b.first); });
  for (const auto& [name, bytes] : rows) item->appendRow(FolderRow(name, bytes));
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
  connect(tree_, &QTreeView::expanded, this,
          [this](const QModelIndex& index) { ReadSubfolders(folders_->itemFromIndex(index)); });
  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (current.isValid()) ShowFolder(BytesOf(folders_->itemFromIndex(current)));
          });
  connect(volumes_, &QComboBox::activated, this,
          [this] { OpenAt(ToUtf8(volumes_->currentText())); });
}

bool FolderChooser::OpenAt(const std::string& bytes) {
  // The top row the path starts with, then one component after another.
  QStandardItem* item = nullptr;
  for (int row = 0; row < folders_->rowCount(); ++row) {
    std::string root = BytesOf(folders_->item(row));
    if (bytes.compare(0, root.size(), root) == 0 && (!item || root.size() > BytesOf(item).size())) {
      item = folders_->item(row);
    }
  }
  if (!item) return false;
  size_t at = BytesOf(item).size();
  while (at < bytes.size()) {
    while (at < bytes.size() && platform::IsSeparator(bytes[at])) ++at;
    size_t end = at;
    while (end < bytes.size() && !platform::IsSeparator(bytes[end])) ++end;
    if (end == at) break;
    std::string wanted = platform::JoinPath(BytesOf(item), bytes.substr(at, end - at));
    ReadSubfolders(item);
    QStandardItem* next = nullptr;
    for (int row = 0; row < item->rowCount() && !next; ++row) {
      if (BytesOf(item->child(row)) == wanted) next = item->child(row);
    }
    // A hidden folder on the way is listed only for the path that goes through it.
    if (!next && platform::KindOf(wanted) == platform::EntryKind::kFolder) {
      next = FolderRow(ShownText(bytes.substr(at, end - at)), wanted);
      item->appendRow(next);
    }
    if (!next) break;
    tree_->expand(item->index());
    item = next;
    at = end;
  }
  tree_->setCurrentIndex(item->index());
  tree_->scrollTo(item->index(), QAbstractItemView::PositionAtCenter);
  return true;
}

// The working folder's row stands in view once the tree has its size.
void FolderChooser::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  tree_->scrollTo(tree_->currentIndex(), QAbstractItemView::PositionAtCenter);
}

std::string FolderChooser::HighlightedFolder() const {
  return BytesOf(folders_->itemFromIndex(tree_->currentIndex()));
}

void FolderChooser::ShowFolder(const std::string& bytes) {
  path_->setText(ShownText(bytes));
  QStringList files;
  std::error_code error;
  for (const platform::FolderEntry& entry : platform::ListFolder(bytes, error)) {
    if (entry.kind == platform::EntryKind::kFile) files.append(ShownText(entry.name));
  }
  std::sort(files.begin(), files.end(), ListedBefore);
  files_->setStringList(files);
  int volume = volumes_->findText(QStorageInfo(QString::fromStdString(bytes)).rootPath());
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
