// The mesh list ("CheckListBox"): one row per mesh of the input folder, in ascending name order
// with letter case ignored, each with a two-state tick (new rows unticked), and at most one
// current row. A click on a row makes it current; a click on its box also toggles the tick, a
// click on its text does not; Space toggles the current row. Ticks and the current row live only
// here: rebuilding the list drops them.
#pragma once

#include <QListWidget>
#include <QString>
#include <string>
#include <vector>

namespace sheetwright::ui {

class MeshList : public QListWidget {
  Q_OBJECT

 public:
  explicit MeshList(QWidget* parent = nullptr);

  // `folder` is bytes, as the file system spells it.
  // Adds one unticked row per mesh (sub-folder, hidden ones left out) of `folder`, each at its
  // place in the order; a folder that does not exist or cannot be read adds nothing. Neither
  // clears the list nor moves the current row.
  void Build(const std::string& folder);

  // Empties the list and builds it from `folder`; the first row becomes the current row.
  void Rebuild(const std::string& folder);

  void SetAllTicked(bool ticked);

  // A mesh's folder name as the file system spells it (bytes, not always UTF-8); the row shows it
  // decoded.
  std::string Name(int row) const;
  bool IsTicked(int row) const { return item(row)->checkState() == Qt::Checked; }
  std::vector<std::string> Names() const;
};

}  // namespace sheetwright::ui
