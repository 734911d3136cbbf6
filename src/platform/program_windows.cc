// windows.h (through wide_windows.h) comes before shellapi.h, which needs it.
#include "platform/wide_windows.h"
// CommandLineToArgvW.
#include <shellapi.h>
#include <stdio.h>

#include "platform/folders.h"
#include "platform/program.h"

namespace sheetwright::platform {

std::string ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return ".\\";
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);  // a long path (\\?\...)
  }
  std::string utf8 = Narrow(path);
  return utf8.substr(0, LastSeparator(utf8) + 1);
}

std::string UserSettingsFolder() {
  const wchar_t* app_data = _wgetenv(L"APPDATA");
  std::string folder = app_data && *app_data ? Narrow(app_data) : ProgramFolder();
  return JoinPath(folder, "Sheetwright");
}

bool FolderWritable(const std::string& folder) {
  if (KindOf(folder) != EntryKind::kFolder) return false;
  // Whether a file can be made is only known by making one (the ACLs decide, not an attribute).
  std::wstring probe = Wide(JoinPath(folder, "~sheetwright-probe-" + std::to_string(ProcessId())));
  HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

std::error_code MakeFolders(const std::string& folder) {
  if (folder.empty() || KindOf(folder) == EntryKind::kFolder) return {};
  size_t up = LastSeparator(folder);
  if (up != std::string::npos && up > 0 && folder[up - 1] != ':') {
    if (std::error_code error = MakeFolders(folder.substr(0, up))) return error;
  }
  if (CreateDirectoryW(Wide(folder).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) {
    if (KindOf(folder) == EntryKind::kFolder) return {};
    return std::make_error_code(std::errc::not_a_directory);
  }
  return LastError();
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(Narrow(wide[i]));
  LocalFree(wide);
  return arguments;
}

long ProcessId() { return static_cast<long>(GetCurrentProcessId()); }

bool ProcessRunning(long pid) {
  if (pid <= 0) return false;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  DWORD code = 0;
  bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
  CloseHandle(process);
  return running;
}

void RaiseFileLimits() {
  // The C runtime's own table of stdio streams; Windows handles themselves have no small limit.
  _setmaxstdio(8192);
}

bool HasDisplay() { return true; }

}  // namespace sheetwright::platform
