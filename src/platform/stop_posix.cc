#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/stop.h"

namespace sheetwright::platform {
namespace {

std::atomic<int> stop_signal{0};
int pipe_fds[2] = {-1, -1};

static_assert(std::atomic<int>::is_always_lock_free, "used from a signal handler");

// The first request asks the run to stop; a second one, sent because the first seems to take too
// long, ends the process at once by the signal's default action. Temporary files are then left
// behind (the next run removes them: they carry the ended process's id), stored files are never
// half-written, since each replaces its older self only once complete.
void OnStopSignal(int signal) {
  int none = 0;
  if (!stop_signal.compare_exchange_strong(none, signal)) {
    ::signal(signal, SIG_DFL);
    ::raise(signal);
    return;
  }
  if (pipe_fds[1] >= 0) {
    int saved = errno;
    char byte = static_cast<char>(signal);
    (void)!::write(pipe_fds[1], &byte, 1);
    errno = saved;
  }
}

}  // namespace

void InstallStopHandlers() {
  if (pipe_fds[0] < 0 && ::pipe2(pipe_fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    pipe_fds[0] = pipe_fds[1] = -1;
  }
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // Interrupted system calls resume: a stop is noticed where the run looks for it, not as a
  // failed read or write.
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
  ::signal(SIGPIPE, SIG_IGN);
}

int StopRequest() { return stop_signal.load(); }

intptr_t StopNotifier() { return pipe_fds[0]; }

std::vector<int> TakeStopNotices() {
  std::vector<int> signals;
  unsigned char byte = 0;
  while (pipe_fds[0] >= 0 && ::read(pipe_fds[0], &byte, 1) == 1) signals.push_back(byte);
  return signals;
}

}  // namespace sheetwright::platform
