// Driving modal dialogs from a GUI test: a script of steps, each run on the next modal dialog of
// its kind (class or object name) that becomes active: a new one, or one that is active again
// after another closed. A new modal dialog that opens when no step is left is closed and recorded
// as unexpected, so a test never hangs; one a step has already handled may show up again for a
// moment on its way out (a dialog closing after the box it opened), which is no surprise. And the
// main window with the parts it is handed.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <deque>
#include <functional>
#include <vector>

#include "picture/font_library.h"
#include "settings/layer_styles.h"
#include "ui/main_window.h"

namespace sheetwright::ui::test_util {

// The main window with the style table and fonts it is handed, which outlive it as in main().
struct WindowParts {
  settings::LayerStyleTable styles;
  picture::FontLibrary fonts;
};
class OwningWindow : private WindowParts, public MainWindow {
 public:
  OwningWindow(const std::string& ini, const std::string& program_folder)
      : MainWindow(ini, program_folder, styles, fonts) {}
};

class ModalScript {
 public:
  using Step = std::function<void(QWidget* modal)>;

  ModalScript() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start(5);
  }

  // `kind`: "QMessageBox", "QColorDialog", an object name such as "FolderChooser".
  ModalScript& Then(const char* kind, Step step) {
    steps_.push_back({kind, std::move(step)});
    return *this;
  }

  bool Done() const { return steps_.empty(); }
  const std::vector<QString>& Unexpected() const { return unexpected_; }

 private:
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == last_) return;
    if (!steps_.empty() && !modal->inherits(steps_.front().kind) &&
        modal->objectName() != steps_.front().kind) {
      return;  // a dialog on its way out, or one the step is not for yet
    }
    last_ = modal;
    bool seen = std::any_of(handled_.begin(), handled_.end(),
                            [&](const QPointer<QWidget>& w) { return w == modal; });
    if (steps_.empty() && seen) return;
    if (steps_.empty()) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      unexpected_.push_back(box ? box->text() : modal->objectName());
      QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
      return;
    }
    Step step = std::move(steps_.front().step);
    steps_.pop_front();
    if (!seen) handled_.emplace_back(modal);
    step(modal);
  }

  struct Pending {
    const char* kind;
    Step step;
  };
  QTimer timer_;
  std::deque<Pending> steps_;
  QPointer<QWidget> last_;
  std::vector<QPointer<QWidget>> handled_;
  std::vector<QString> unexpected_;
};

// Presses a standard button (Ok, Cancel, Yes, No) of a message box or a dialog with a button box,
// once the current step has returned.
inline void Press(QWidget* modal, int standard_button) {
  QAbstractButton* button = nullptr;
  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    button = box->button(QMessageBox::StandardButton(standard_button));
  } else if (auto* buttons = modal->findChild<QDialogButtonBox*>()) {
    button = buttons->button(QDialogButtonBox::StandardButton(standard_button));
  }
  if (button) QMetaObject::invokeMethod(button, "click", Qt::QueuedConnection);
}

// The text of a message box, "" for other dialogs.
inline QString BoxText(QWidget* modal) {
  auto* box = qobject_cast<QMessageBox*>(modal);
  return box ? box->text() : QString();
}

// A step for a message box: keeps its text in `text` and presses OK.
inline ModalScript::Step ReadAndClose(QString& text) {
  return [&text](QWidget* box) {
    text = BoxText(box);
    Press(box, QMessageBox::Ok);
  };
}

}  // namespace sheetwright::ui::test_util
