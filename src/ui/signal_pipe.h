// Stop requests (platform/stop.h: SIGTERM, SIGINT, SIGHUP; Windows console events) turned into a Qt
// signal on the GUI thread. The handlers only record the request and wake the platform's notifier
// (a pipe on POSIX, watched by a QSocketNotifier; an event on Windows, watched by a
// QWinEventNotifier), so no Qt call ever runs inside a signal handler. One instance per process;
// the handlers stay installed after it. A request that came before it is delivered once the event
// loop runs.
#pragma once

#include <QObject>

namespace sheetwright::ui {

class SignalPipe : public QObject {
  Q_OBJECT

 public:
  explicit SignalPipe(QObject* parent = nullptr);
  ~SignalPipe() override;

 signals:
  void Received(int signal_number);

 private:
  void Deliver();
};

}  // namespace sheetwright::ui
