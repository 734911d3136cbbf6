#include "ui/mesh_list.h"

#include <string>

#include "conversion/mesh_folders.h"
#include "ui/text.h"

namespace sheetwright::ui {
namespace {
constexpr int kNameRole = Qt::UserRole;
}  // namespace

MeshList::MeshList(QWidget* parent) : QListWidget(parent) {
  setObjectName("CheckListBox");
  setSelectionMode(QAbstractItemView::SingleSelection);
}

void MeshList::Build(const std::string& folder) {
  for (const std::string& name : conversion::ListMeshes(folder)) {
    // The list is kept in order as rows arrive, so a later Build interleaves its rows.
    int at = count();
    while (at > 0 && conversion::MeshNameLess(name, Name(at - 1))) --at;
    auto* row = new QListWidgetItem(ShownText(name));
    row->setData(kNameRole, QByteArray::fromStdString(name));
    row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    row->setCheckState(Qt::Unchecked);
    insertItem(at, row);
  }
}

void MeshList::Rebuild(const std::string& folder) {
  clear();
  Build(folder);
  setCurrentRow(count() > 0 ? 0 : -1);
}

void MeshList::SetAllTicked(bool ticked) {
  for (int i = 0; i < count(); ++i) item(i)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

std::string MeshList::Name(int row) const {
  return item(row)->data(kNameRole).toByteArray().toStdString();
}

std::vector<std::string> MeshList::Names() const {
  std::vector<std::string> names;
  for (int i = 0; i < count(); ++i) names.push_back(Name(i));
  return names;
}

}  // namespace sheetwright::ui
