// Stopping a run from outside: SIGINT (Ctrl+C), SIGTERM (kill, a shutdown) and SIGHUP (a closed
// terminal) ask the process to stop instead of ending it on the spot, so that a batch can leave
// as it leaves on a cancel: temporary files removed, stored drawings kept. SIGPIPE is ignored: a
// reader of the progress that goes away makes writes fail, never ends the run.
//
// Used by sheetwright-convert (the batch polls StopSignal through its stop check) and by the
// desktop program (which watches StopSignalFd from its event loop and cancels the running batch).
#pragma once

namespace sheetwright::base {

// Installs the handlers. Call once, early in main, before threads start.
void InstallStopSignals();

// 0 until a stop signal arrived; then the number of the first one. Safe from any thread.
int StopSignal();

// A descriptor that becomes readable when a stop signal arrives (one byte per signal), for an
// event loop to watch; -1 before InstallStopSignals.
int StopSignalFd();

}  // namespace sheetwright::base
