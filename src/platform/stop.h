// Stopping a run from outside. POSIX: SIGINT (Ctrl+C), SIGTERM (kill, a shutdown) and SIGHUP (a
// closed terminal); Windows: the console's Ctrl+C and Ctrl+Break (as SIGINT), its window closed
// (as SIGHUP), a log-off or shutdown (as SIGTERM). Each asks the process to stop instead of ending
// it on the spot, so that a batch leaves as it leaves on a cancel: temporary files removed, stored
// drawings kept. A second request (a second Ctrl+C) ends the process at once. SIGPIPE is ignored: a reader of the progress that goes away makes writes fail,
// never ends the run.
//
// Used by sheetwright-convert (the batch polls StopRequest) and by the desktop program (which
// watches StopNotifier from its event loop and cancels the running batch).
#pragma once

#include <cstdint>
#include <vector>

namespace sheetwright::platform {

// The stop requests by their POSIX signal numbers, the same on Windows.
inline constexpr int kStopHangUp = 1;
inline constexpr int kStopInterrupt = 2;
inline constexpr int kStopTerminate = 15;

// Installs the handlers. Call first thing in main, before threads start; again is harmless.
void InstallStopHandlers();

// 0 until a stop was requested; then the signal number of the first request. Safe from any thread.
int StopRequest();

// What an event loop watches for requests: a pipe's read end on POSIX (readable once per request,
// for a QSocketNotifier), an event HANDLE on Windows (signalled, for a QWinEventNotifier); -1
// before InstallStopHandlers.
intptr_t StopNotifier();

// After StopNotifier fired: the requests since the last call (signal numbers), and the notifier
// made quiet again.
std::vector<int> TakeStopNotices();

}  // namespace sheetwright::platform
