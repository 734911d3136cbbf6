#include "settings/settings_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "base/ascii.h"
#include "base/atomic_file.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/program.h"
#include "platform/text.h"
#include "settings/colour_names.h"
#include "settings/ini_file.h"
#include "settings/settings_location.h"

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

// The folder's bytes as stored: a folder named in CP932 is found only under those bytes (on
// Windows, where the file holds CP932 and paths are UTF-8, under the decoded name). A stored
// folder that is gone (an unmounted share) stays the folder, marked missing; only an empty entry
// falls back.
std::string FolderOrDefault(const IniFile& file, std::string_view key, const std::string& fallback,
                            bool& missing) {
  std::string stored = file.GetBytes(kFileSection, key).value_or(std::string());
  if (stored.empty()) return fallback;
  std::string folder = platform::SettingsTextToPath(stored);
  missing = platform::KindOf(folder) != platform::EntryKind::kFolder;
  return folder;
}

SettingsWriteError WriteError(const std::string& path, const std::string& reason) {
  return SettingsWriteError(base::PlatformTextToUtf8(path) + " に書き込めません: " + reason);
}

// The file as it stands, so that a write keeps its foreign lines. A file that exists but cannot be
// read is not overwritten: its lines would be lost; nor is one that is no settings file.
IniFile LoadForWriting(const std::string& path) {
  std::optional<IniFile> file;
  try {
    file = IniFile::Load(path);
  } catch (const std::system_error& e) {
    throw WriteError(path, e.code().message());
  }
  if (!file) return IniFile();
  if (!file->LooksLikeIni()) {
    throw NotSettingsFileError(base::PlatformTextToUtf8(path) +
                               " は設定ファイルではないため、書き換えません");
  }
  return std::move(*file);
}

// Writes the file by the rules of base/atomic_file.h (a frozen file is kept, owner, group and mode
// stay, links are written through). The per-user file's folder is made at the first save; any
// other missing folder is a failed write.
void StoreFile(const std::string& path, const IniFile& file) {
  std::string target = platform::LinkTarget(path);
  if (path == UserSettingsPath()) {
    if (std::error_code ec = platform::MakeFolders(platform::UserSettingsFolder())) {
      throw WriteError(path, ec.message());
    }
  }
  try {
    if (platform::WritableOnlyInPlace(target)) {
      base::WriteFileInPlace(path, file.Serialize());
    } else {
      base::WriteFileAtomically(path, file.Serialize());
    }
  } catch (const base::ConversionError& e) {
    throw SettingsWriteError(e.what());
  }
}

// Whether a name is one this program reads: a section or a key of the settings file.
bool IsOurName(std::string_view name) {
  auto is = [&](std::string_view ours) { return base::EqualsIgnoringAsciiCase(name, ours); };
  for (std::string_view ours :
       {kColorSection, kConvertSection, kWidthSection, kFileSection, std::string_view("INPUT"),
        std::string_view("OUTPUT"), std::string_view("Style"), std::string_view("Pitch"),
        std::string_view("Color"), std::string_view("Size"), std::string_view("Name")}) {
    if (is(ours)) return true;
  }
  const auto& layers = LayerDefs();
  const auto& fonts = FontDefs();
  return std::any_of(layers.begin(), layers.end(), [&](const LayerDef& d) { return is(d.name); }) ||
         std::any_of(fonts.begin(), fonts.end(), [&](const FontDef& d) { return is(d.section); });
}

// Reads the label fonts. A colour that is neither a colour name nor an integer costs that colour
// only: it keeps its default, and the message names the file, the section and the key.
void ReadFonts(const IniFile& file, const std::string& ini_path, LayerStyleTable& table,
               StartupSettings& result) {
  for (const FontDef& def : FontDefs()) {
    LabelFont font = table.Font(def.id);
    if (int32_t style = ReadInteger(file, def.section, "Style")) font.style = style & 0xFF;
    if (int32_t pitch = ReadInteger(file, def.section, "Pitch")) font.pitch = pitch & 0xFF;
    if (std::string text = file.GetString(def.section, "Color"); !text.empty()) {
      if (std::optional<ColorValue> color = TextToColor(text)) {
        font.color = *color;
      } else if (!result.error) {
        result.error = base::PlatformTextToUtf8(ini_path) + " [" + std::string(def.section) +
                       "] Color: '" + text + "' は整数ではありません";
      }
    }
    if (int32_t size = ReadInteger(file, def.section, "Size")) {
      font.height = FontHeightFromSize(size);
    }
    if (std::string name = file.GetString(def.section, "Name"); !name.empty()) {
      font.face_name = std::move(name);
    }
    table.SetFont(def.id, font);
  }
}

}  // namespace

std::string ProgramFolder() { return platform::ProgramFolder(); }

std::string DefaultSettingsPath() { return SettingsFilePath(ProgramFolder()); }

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
  result.foreign = !file.LooksLikeIni();
  result.recognised = !result.foreign && (file.Blank() || file.AnyName(IsOurName));
  if (result.foreign) {  // the defaults; the file is left alone
    result.input_folder = result.output_folder = program_folder;
    return result;
  }

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
  result.input_folder = FolderOrDefault(file, "INPUT", program_folder, result.input_missing);
  result.output_folder = FolderOrDefault(file, "OUTPUT", program_folder, result.output_missing);
  result.formats = file.GetString(kFileSection, kFormatKey);
  ReadFonts(file, ini_path, table, result);
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
    throw WriteError(ini_path, "a font name holds a line break");
  }
  StoreFile(ini_path, file);
}

void StoreFolder(const std::string& ini_path, std::string_view key, const std::string& folder) {
  IniFile file = LoadForWriting(ini_path);
  try {
    file.Set(kFileSection, key, platform::PathToSettingsText(folder));
  } catch (const std::invalid_argument&) {
    // A folder name may hold a line break on this platform, an INI line cannot.
    throw WriteError(ini_path, "the folder name holds a line break");
  }
  StoreFile(ini_path, file);
}

void StoreFormats(const std::string& ini_path, const std::string& formats) {
  StoreFolder(ini_path, kFormatKey, formats);  // one FILE entry, written the same way
}

}  // namespace sheetwright::settings
