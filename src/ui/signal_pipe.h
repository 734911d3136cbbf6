// Signals that end the program (SIGTERM, SIGINT, SIGHUP) turned into a Qt signal on the GUI thread.
// The handlers are the converter's (base/stop_signals.h): they only write the signal's number into
// a pipe, which a socket notifier reads here, so no Qt call ever runs inside a signal handler.
// One instance per process; the handlers stay installed after it.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace sheetwright::ui {

class SignalPipe : public QObject {
  Q_OBJECT

 public:
  explicit SignalPipe(QObject* parent = nullptr);
  ~SignalPipe() override;

 signals:
  void Received(int signal_number);

 private:
  QSocketNotifier* notifier_;
};

}  // namespace sheetwright::ui
