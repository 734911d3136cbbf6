#include "ui/signal_pipe.h"

#include <unistd.h>

#include <QSocketNotifier>
#include <stdexcept>

#include "base/stop_signals.h"

namespace sheetwright::ui {

SignalPipe::SignalPipe(QObject* parent) : QObject(parent) {
  base::InstallStopSignals();
  int fd = base::StopSignalFd();
  if (fd < 0) throw std::runtime_error("no pipe for the stop signals");
  notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this, fd] {
    unsigned char byte = 0;
    while (read(fd, &byte, 1) == 1) emit Received(byte);
  });
}

SignalPipe::~SignalPipe() = default;

}  // namespace sheetwright::ui
