#include "settings/settings_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "base/encoding.h"
#include "base/messages.h"
#include "settings/colour_names.h"
#include "settings/ini_file.h"

namespace sheetwright::settings {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kColorSection = "COLOR";
constexpr std::string_view kConvertSection = "CONVERT";
constexpr std::string_view kWidthSection = "HABA";
constexpr std::string_view kFileSection = "FILE";
constexpr std::string_view kOn = "ON";
constexpr std::string_view kFormatKey = "FORMAT";

// A missing key, an empty value and a text that is no number all read as 0, which every caller
// takes as "keep the current value".
int32_t ReadInteger(const IniFile& file, std::string_view section, std::string_view key) {
  return ParseIniInteger(file.GetString(section, key)).value_or(0);
}

bool HasWidthStep(const LayerDef& def) { return def.kind != LayerKind::kPoly; }

std::string FolderOrDefault(const IniFile& file, std::string_view key,
                            const std::string& program_folder) {
  std::string stored = file.GetString(kFileSection, key);
  std::error_code ec;
  if (!stored.empty() && fs::is_directory(fs::path(stored), ec)) return stored;
  return program_folder;
}

SettingsWriteError WriteError(const std::string& path) {
  return SettingsWriteError(base::PlatformTextToUtf8(path) + " に書き込めません");
}

// The file as it stands, so that a write keeps its foreign lines. A file that exists but cannot be
// read is not overwritten: its lines would be lost.
IniFile LoadForWriting(const std::string& path) {
  try {
    std::optional<IniFile> file = IniFile::Load(path);
    return file ? std::move(*file) : IniFile();
  } catch (const std::system_error&) {
    throw WriteError(path);
  }
}

void StoreFile(const std::string& path, const IniFile& file) {
  // A settings file that is a symbolic link (kept in a dotfiles folder, say) stays one: the
  // atomic rename replaces its target.
  std::string target = path;
  std::error_code ec;
  if (fs::is_symlink(fs::path(path), ec)) {
    fs::path resolved = fs::canonical(fs::path(path), ec);
    if (!ec) target = resolved.string();
  }
  // The atomic rename needs only the folder's permission, so it would replace a file whose owner
  // made it read-only to freeze the settings. Ask as the file itself would be asked: a missing
  // file is created, any other refusal is a failed write.
  if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0 && errno != ENOENT) {
    throw WriteError(path);
  }
  try {
    file.Save(target);
  } catch (const base::ConversionError&) {
    throw WriteError(path);
  }
}

}  // namespace

std::string ProgramFolder() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  fs::path folder = ec ? fs::current_path(ec) : exe.parent_path();
  std::string text = folder.string();
  if (text.empty() || text.back() != '/') text += '/';
  return text;
}

std::string DefaultSettingsPath() { return ProgramFolder() + std::string(kSettingsFileName); }

StartupSettings LoadSettings(const std::string& ini_path, const std::string& program_folder,
                             LayerStyleTable& table) {
  StartupSettings result;
  std::optional<IniFile> loaded;
  try {
    loaded = IniFile::Load(ini_path);
    if (!loaded) return result;
  } catch (const std::system_error& e) {
    throw SettingsReadError(base::PlatformTextToUtf8(ini_path) +
                            " を読み込めません: " + e.code().message());
  }
  const IniFile& file = *loaded;

  for (const LayerDef& def : LayerDefs()) {
    if (int32_t color = ReadInteger(file, kColorSection, def.name)) {
      table.SetColor(def.key, static_cast<ColorValue>(color));
    }
  }
  for (const LayerDef& def : LayerDefs()) {
    // Exactly "ON": the lower-case word or 1 leave the layer off.
    if (file.GetString(kConvertSection, def.name) == kOn) table.SetEnabled(def.key, true);
  }
  for (const LayerDef& def : LayerDefs()) {
    if (!HasWidthStep(def)) continue;
    if (int32_t step = ReadInteger(file, kWidthSection, def.name))
      table.SetWidthStep(def.key, step);
  }
  result.input_folder = FolderOrDefault(file, "INPUT", program_folder);
  result.output_folder = FolderOrDefault(file, "OUTPUT", program_folder);
  result.formats = file.GetString(kFileSection, kFormatKey);

  for (const FontDef& def : FontDefs()) {
    LabelFont font = table.Font(def.id);
    if (int32_t style = ReadInteger(file, def.section, "Style")) font.style = style & 0xFF;
    if (int32_t pitch = ReadInteger(file, def.section, "Pitch")) font.pitch = pitch & 0xFF;
    if (std::string text = file.GetString(def.section, "Color"); !text.empty()) {
      std::optional<ColorValue> color = TextToColor(text);
      if (!color) {
        // What was applied so far stays, this font's style and pitch included; the remaining
        // fonts keep their defaults until the next End button writes them all again.
        table.SetFont(def.id, font);
        result.error = "'" + text + "' は整数ではありません";
        return result;
      }
      font.color = *color;
    }
    if (int32_t size = ReadInteger(file, def.section, "Size")) {
      font.height = FontHeightFromSize(size);
    }
    if (std::string name = file.GetString(def.section, "Name"); !name.empty()) {
      font.face_name = std::move(name);
    }
    table.SetFont(def.id, font);
  }
  return result;
}

void SaveSettings(const std::string& ini_path, const StyleSource& table) {
  IniFile file = LoadForWriting(ini_path);
  try {
    for (const LayerDef& def : LayerDefs()) {
      int32_t color = static_cast<int32_t>(table.Style(def.key).color);
      file.Set(kColorSection, def.name, std::to_string(color));
    }
    for (const LayerDef& def : LayerDefs()) {
      file.Set(kConvertSection, def.name, table.Style(def.key).enabled ? kOn : "");
    }
    for (const LayerDef& def : LayerDefs()) {
      if (!HasWidthStep(def)) continue;
      file.Set(kWidthSection, def.name, std::to_string(table.Style(def.key).width_step));
    }
    for (const FontDef& def : FontDefs()) {
      LabelFont font = table.Font(def.id);
      file.Set(def.section, "Style", std::to_string(font.style));
      file.Set(def.section, "Pitch", std::to_string(font.pitch));
      file.Set(def.section, "Color", ColorToText(font.color));
      file.Set(def.section, "Size", std::to_string(FontSizeFromHeight(font.height)));
      file.Set(def.section, "Name", font.face_name);
    }
  } catch (const std::invalid_argument&) {
    // A face name with a line break cannot be written; keep the old file rather than a broken one.
    throw WriteError(ini_path);
  }
  StoreFile(ini_path, file);
}

void StoreFolder(const std::string& ini_path, std::string_view key, const std::string& folder) {
  IniFile file = LoadForWriting(ini_path);
  try {
    file.Set(kFileSection, key, folder);
  } catch (const std::invalid_argument&) {
    // A folder name may hold a line break on this platform, an INI line cannot.
    throw WriteError(ini_path);
  }
  StoreFile(ini_path, file);
}

void StoreFormats(const std::string& ini_path, const std::string& formats) {
  StoreFolder(ini_path, kFormatKey, formats);  // one FILE entry, written the same way
}

}  // namespace sheetwright::settings
