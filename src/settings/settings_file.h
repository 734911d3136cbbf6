// The settings file "vellumist.ini": everything the user set, kept between runs. It is read once
// at start-up into the layer style table and the two folder fields, written in full by the End
// button, and its FILE entries are written whenever the user chooses a folder. Every write keeps
// the lines it does not own and replaces the file atomically, so a failed write leaves the old file
// whole. The INI rules themselves live in ini_file.h.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "settings/layer_styles.h"

namespace sheetwright::settings {

constexpr std::string_view kSettingsFileName = "vellumist.ini";

// A settings file that could not be written. what() is the message shown to the user:
// "<path> に書き込めません".
class SettingsWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A settings file that exists but could not be read (no read permission, a folder, an I/O error).
// what() is the message shown to the user: "<path> を読み込めません: <reason>".
class SettingsReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What the start-up reading gives besides the layer style table.
struct StartupSettings {
  std::string input_folder;  // the folder fields; empty when there is no settings file
  std::string output_folder;
  // FILE/FORMAT: the formats the window stores, as the converter names them ("wmf,dxf"); empty
  // when the file has none (WMF alone, as before the choice existed).
  std::string formats;
  // Set when the reading stopped at a font colour that is neither a colour name nor an integer:
  // "'<text>' は整数ではありません". The fonts from that one on keep their defaults, and the
  // caller must not build the mesh list.
  std::optional<std::string> error;
};

// The folder of the running executable, with a trailing "/".
std::string ProgramFolder();

// ProgramFolder() + "vellumist.ini": where the settings are read and written.
std::string DefaultSettingsPath();

// Applies the file at `ini_path` to `table` (colours, switches, width steps, label fonts) and
// returns the folders: each is `program_folder` unless the file names an existing folder. Values
// that are missing, empty or no number leave the table's value as it is. Without a file nothing
// changes and both folders are empty. A file that is there but cannot be read throws
// SettingsReadError before anything changes: taking it for a file without entries would switch
// every layer off.
StartupSettings LoadSettings(const std::string& ini_path, const std::string& program_folder,
                             LayerStyleTable& table);

// Writes every value of `table` (not the folders) in the file's fixed order, keeping all other
// lines. Throws SettingsWriteError; the old file is then unchanged. A file whose permissions forbid
// writing is never replaced: its owner froze it.
void SaveSettings(const std::string& ini_path, const StyleSource& table);

// Writes the FILE entry `key` ("INPUT" or "OUTPUT") as `folder`, exactly as given. Throws
// SettingsWriteError.
void StoreFolder(const std::string& ini_path, std::string_view key, const std::string& folder);

// Writes the FILE entry "FORMAT" as `formats`. Throws SettingsWriteError.
void StoreFormats(const std::string& ini_path, const std::string& formats);

}  // namespace sheetwright::settings
