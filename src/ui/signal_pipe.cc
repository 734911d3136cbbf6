#include "ui/signal_pipe.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <stdexcept>

namespace sheetwright::ui {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
int pipe_fds[2] = {-1, -1};  // [0] read on the GUI thread, [1] written by the handler

void Handle(int signal_number) {
  int saved = errno;
  auto byte = static_cast<unsigned char>(signal_number);
  [[maybe_unused]] ssize_t written = write(pipe_fds[1], &byte, 1);  // full pipe: one is queued
  errno = saved;
}

}  // namespace

SignalPipe::SignalPipe(QObject* parent) : QObject(parent) {
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipe_fds) != 0) {
    throw std::runtime_error("socketpair failed");
  }
  notifier_ = new QSocketNotifier(pipe_fds[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    unsigned char byte = 0;
    while (read(pipe_fds[0], &byte, 1) == 1) emit Received(byte);
  });
  struct sigaction action {};
  action.sa_handler = Handle;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int number : kSignals) sigaction(number, &action, nullptr);
}

SignalPipe::~SignalPipe() {
  for (int number : kSignals) std::signal(number, SIG_DFL);
  delete notifier_;
  close(pipe_fds[0]);
  close(pipe_fds[1]);
  pipe_fds[0] = pipe_fds[1] = -1;
}

}  // namespace sheetwright::ui
