#include "ui/signal_pipe.h"

#include <stdexcept>

#include "platform/stop.h"

#ifdef _WIN32
#include <QWinEventNotifier>
#else
#include <QSocketNotifier>
#endif

namespace sheetwright::ui {

SignalPipe::SignalPipe(QObject* parent) : QObject(parent) {
  platform::InstallStopHandlers();
  intptr_t notifier = platform::StopNotifier();
  if (notifier == -1) throw std::runtime_error("no notifier for the stop requests");
#ifdef _WIN32
  auto* watch = new QWinEventNotifier(reinterpret_cast<Qt::HANDLE>(notifier), this);
  connect(watch, &QWinEventNotifier::activated, this, &SignalPipe::Deliver);
#else
  auto* watch = new QSocketNotifier(static_cast<qintptr>(notifier), QSocketNotifier::Read, this);
  connect(watch, &QSocketNotifier::activated, this, &SignalPipe::Deliver);
#endif
}

SignalPipe::~SignalPipe() = default;

void SignalPipe::Deliver() {
  for (int signal : platform::TakeStopNotices()) emit Received(signal);
}

}  // namespace sheetwright::ui
