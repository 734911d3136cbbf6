// Windows only: the project's UTF-8 paths and texts as the UTF-16 the system's W functions take,
// and back, and Windows error codes as std::error_code. Included by the *_windows.cc halves only.
#pragma once

#include <windows.h>

#include <cerrno>
#include <string>
#include <string_view>
#include <system_error>

namespace sheetwright::platform {

inline std::wstring Wide(std::string_view utf8, UINT code_page = CP_UTF8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(code_page, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(code_page, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

inline std::string Narrow(std::wstring_view wide, UINT code_page = CP_UTF8) {
  if (wide.empty()) return {};
  int n = WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string narrow(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), narrow.data(), n,
                      nullptr, nullptr);
  return narrow;
}

// A Windows error as callers test and users read it: the errors POSIX has too become its errno
// values (a missing parent folder is "not found" as on POSIX, not a kind of its own), the rest
// stay Windows' own (a file in use by another program).
inline std::error_code LastError(DWORD code = GetLastError()) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
      return std::error_code(ENOENT, std::generic_category());
    case ERROR_ACCESS_DENIED:
      return std::error_code(EACCES, std::generic_category());
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return std::error_code(EEXIST, std::generic_category());
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return std::error_code(ENOSPC, std::generic_category());
    default:
      return std::error_code(static_cast<int>(code), std::system_category());
  }
}

}  // namespace sheetwright::platform
