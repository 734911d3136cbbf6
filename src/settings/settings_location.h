// Where the settings file "vellumist.ini" lives. A copy of the program in a folder of its own (a
// build, an unpacked folder) keeps the file beside the executable, as it always has: a portable
// copy. An installed program (its folder not writable, or the installed example beside it in
// ../share/sheetwright/) keeps one file per user, $XDG_CONFIG_HOME/sheetwright/vellumist.ini
// (default ~/.config/sheetwright/), filled at the first start from the file beside the executable
// or the installed example. Used by the desktop program and by sheetwright-convert's default -s.
#pragma once

#include <string>

namespace sheetwright::settings {

// exe_dir + "vellumist.ini" when that file exists, or when exe_dir is writable and is not an
// installed program's folder; else the per-user file. `exe_dir` may end in "/" or not. The folder
// counts as writable when the user may create files there and its mode has a write bit (so a
// folder its owner made read-only counts as such for root too).
std::string SettingsFilePath(const std::string& exe_dir);

// The per-user file: $XDG_CONFIG_HOME/sheetwright/vellumist.ini when XDG_CONFIG_HOME is an
// absolute path, else ~/.config/sheetwright/vellumist.ini.
std::string UserSettingsPath();

// The file a new per-user file is filled from: exe_dir's vellumist.ini, else the installed example
// exe_dir/../share/sheetwright/vellumist.ini; empty when neither exists.
std::string SeedSettingsPath(const std::string& exe_dir);

// At the first start: when `settings_path` is not the file beside the executable and does not
// exist yet, copies SeedSettingsPath(exe_dir) there, making its folder. Without a seed, or when
// the copy fails, nothing happens: the program starts with its defaults, and the first save
// makes the file (and says why when it cannot).
void SeedUserSettings(const std::string& settings_path, const std::string& exe_dir);

}  // namespace sheetwright::settings
