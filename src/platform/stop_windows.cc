#include <atomic>

#include "platform/stop.h"
#include "platform/wide_windows.h"

namespace sheetwright::platform {
namespace {

std::atomic<int> stop_signal{0};
HANDLE stop_event = nullptr;

// Runs on a thread of its own that Windows starts for the event. Returning TRUE keeps the process
// alive for the run to leave as on a cancel; a closed console or a shutdown ends the process once
// the handler returns, so it waits for the run to notice (Windows gives it 5 seconds at most).
BOOL WINAPI OnConsoleEvent(DWORD event) {
  int signal = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? kStopInterrupt
               : event == CTRL_CLOSE_EVENT                        ? kStopHangUp
                                                                  : kStopTerminate;
  int none = 0;
  // A second Ctrl+C goes to the default handler, which ends the process at once (see the POSIX
  // half: what is left behind is removed by the next run).
  if (!stop_signal.compare_exchange_strong(none, signal) && signal == kStopInterrupt) return FALSE;
  if (stop_event) SetEvent(stop_event);
  if (signal != kStopInterrupt) Sleep(4000);
  return TRUE;
}

}  // namespace

void InstallStopHandlers() {
  if (stop_event != nullptr) return;  // once: a second handler would see every event twice
  stop_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

int StopRequest() { return stop_signal.load(); }

intptr_t StopNotifier() {
  return stop_event ? reinterpret_cast<intptr_t>(stop_event) : intptr_t{-1};
}

std::vector<int> TakeStopNotices() {
  if (stop_event == nullptr || WaitForSingleObject(stop_event, 0) != WAIT_OBJECT_0) return {};
  ResetEvent(stop_event);
  return {stop_signal.load()};
}

}  // namespace sheetwright::platform
