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
// "<path> に書き込めません: <reason>".
class SettingsWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file at the settings path that is no settings file (a drawing or a text saved there by
// mistake): it is never written over. what() is "<path>
// は設定ファイルではないため、書き換えません".
class NotSettingsFileError : public SettingsWriteError {
 public:
  using SettingsWriteError::SettingsWriteError;
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
  bool input_missing = false;  // a stored folder that is not there (an unmounted share)
  bool output_missing = false;
  // FILE/FORMAT: the formats the window stores, as the converter names them ("wmf,dxf"); empty
  // when the file has none (WMF alone, as before the choice existed).
  std::string formats;
  // Set when a font colour is neither a colour name nor an integer: "<path> [<section>] Color:
  // '<text>' は整数ではありません" (the first such). That colour keeps its default; everything
  // else was read.
  std::optional<std::string> error;
  // False when the file has lines but none is one of our sections or keys: no settings file at
  // all (a drawing named by mistake). A blank file counts as ours.
  bool recognised = true;
  // True when the file is no INI text at all (binary bytes, UTF-16 without its byte-order mark,
  // text without a section, an entry or a comment): nothing is read from it, and it is never
  // written over. A file of foreign sections only is INI text: a write keeps its lines.
  bool foreign = false;
};

// The folder of the running executable, with a trailing "/".
std::string ProgramFolder();

// SettingsFilePath(ProgramFolder()) (settings_location.h): where the settings are read and
// written.
std::string DefaultSettingsPath();

// Applies the file at `ini_path` to `table` (colours, switches, width steps, label fonts) and
// returns the folders: each is `program_folder` (the caller's fallback) unless the file names one;
// a named folder that is gone is returned all the same and marked missing. Values
// that are missing, empty or no number leave the table's value as it is. Without a file nothing
// changes and both folders are empty. A file that is there but cannot be read throws
// SettingsReadError before anything changes: taking it for a file without entries would switch
// every layer off.
StartupSettings LoadSettings(const std::string& ini_path, const std::string& program_folder,
                             LayerStyleTable& table);

// Writes every value of `table` (not the folders) in the file's fixed order, keeping all other
// lines, in the encoding the file was read in. Throws NotSettingsFileError for a file that is no
// INI text (StartupSettings::foreign), SettingsWriteError otherwise; the old file is then
// unchanged. The write follows the rules of base/atomic_file.h: a file whose mode has no write bit
// is never replaced, even by root (its owner froze it); the new file keeps the old one's owner,
// group and mode; a symbolic link, dangling or not, stays a link and its target is written. A
// writable file in a folder where no temporary file can be made is written in place. The per-user
// file's folder (settings_location.h) is made when missing.
void SaveSettings(const std::string& ini_path, const StyleSource& table);

// Writes the FILE entry `key` ("INPUT" or "OUTPUT") as `folder`, exactly as given. Throws
// SettingsWriteError.
void StoreFolder(const std::string& ini_path, std::string_view key, const std::string& folder);

// Writes the FILE entry "FORMAT" as `formats`. Throws SettingsWriteError.
void StoreFormats(const std::string& ini_path, const std::string& formats);

}  // namespace sheetwright::settings
