// Signals that end the program (SIGTERM, SIGINT, SIGHUP) turned into a Qt signal on the GUI thread.
// The handler only writes the signal's number into a pipe; a socket notifier reads it there, so no
// Qt call ever runs inside a signal handler. One instance per process.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace sheetwright::ui {

class SignalPipe : public QObject {
  Q_OBJECT

 public:
  explicit SignalPipe(QObject* parent = nullptr);
  // Gives the signals back their default handling.
  ~SignalPipe() override;

 signals:
  void Received(int signal_number);

 private:
  QSocketNotifier* notifier_;
};

}  // namespace sheetwright::ui
