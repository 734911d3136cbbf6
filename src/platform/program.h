// The running program through the operating system: its folder, where per-user settings live, its
// process id, its limits and its display.
#pragma once

#include <string>
#include <system_error>
#include <vector>

namespace sheetwright::platform {

// The folder of the executable, ending in a separator (the current folder when it cannot be told).
std::string ProgramFolder();

// The folder of this user's settings of the program, without a separator at the end:
// POSIX: $XDG_CONFIG_HOME/sheetwright, else $HOME/.config/sheetwright (each used only when it is an
// absolute path; else the home folder of the user's account). Windows: %APPDATA%\Sheetwright.
std::string UserSettingsFolder();

// True when the user may create files in `folder`; on POSIX also its mode must have a write bit, so
// that a folder its owner made read-only counts as such for root too.
bool FolderWritable(const std::string& folder);

// Makes `folder` and its missing parents, following a symbolic link into a missing folder by
// making that folder. No error when it exists already as a folder.
std::error_code MakeFolders(const std::string& folder);

// The command line's arguments, argv[0] first: argv itself on POSIX; on Windows the wide command
// line in UTF-8 (argv holds the ANSI code page's lossy version of it).
std::vector<std::string> ProgramArguments(int argc, char** argv);

long ProcessId();

// True while a process with this id runs (or may run: one we may not inspect counts as running).
bool ProcessRunning(long pid);

// Raises the limit of open files as far as the system allows (every conversion job keeps a file
// open), and makes a write past a file-size limit fail like any write instead of ending the
// process.
void RaiseFileLimits();

// True when a window can be shown: always on Windows; on POSIX when DISPLAY, WAYLAND_DISPLAY or
// QT_QPA_PLATFORM is set.
bool HasDisplay();

}  // namespace sheetwright::platform
