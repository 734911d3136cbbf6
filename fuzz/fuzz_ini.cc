// The INI reader and the settings start-up over a fuzzed file.
//
// IniFile: parsing then serialising is stable (a second round gives the same bytes and the same
// entries), and a Set reads back exactly while every other entry keeps its value.
// Settings: LoadSettings never throws; the table it gives, saved over the fuzzed file (foreign
// lines kept) and loaded again, comes back unchanged except the character sets, and a second save
// changes no byte. The loaded label fonts are measured with the real font library.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/encoding.h"
#include "fuzz_support.h"
#include "picture/font_library.h"
#include "settings/ini_file.h"
#include "settings/layer_styles.h"
#include "settings/settings_file.h"

namespace {

using namespace sheetwright;
using settings::IniFile;

// A private folder, removed when the process ends.
struct TempFolder {
  TempFolder() {
    path = "/dev/shm/fuzz-ini-XXXXXX";
    if (!mkdtemp(path.data())) path = std::filesystem::temp_directory_path() / "fuzz-ini";
    std::filesystem::create_directories(path);
  }
  ~TempFolder() { std::filesystem::remove_all(path); }
  std::string path;
};

const std::string& WorkFolder() {
  static const TempFolder folder;
  return folder.path;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// Section and key names to ask for: those of the settings file and those the input seems to use.
std::vector<std::pair<std::string, std::string>> NamesToQuery(std::string_view bytes) {
  std::set<std::string> sections = {"COLOR", "CONVERT", "HABA", "FILE", "FontCyo", "fontmizu"};
  std::set<std::string> keys = {"GAIKU_LINE", "sumi_line", "INPUT", "Name", "Size", "Color"};
  size_t start = 0;
  while (start < bytes.size() && sections.size() < 12 && keys.size() < 16) {
    size_t end = bytes.find('\n', start);
    // Names are UTF-8, as the reader decodes each line.
    std::string raw(bytes.substr(start, end == std::string_view::npos ? end : end - start));
    std::string decoded = base::IsValidUtf8(raw) ? raw : base::Cp932ToUtf8(raw);
    std::string_view line = Trim(decoded);
    if (!line.empty() && line.front() == '[' && line.find(']') != std::string_view::npos) {
      sections.insert(std::string(Trim(line.substr(1, line.find(']') - 1))));
    } else if (size_t eq = line.find('='); eq != std::string_view::npos) {
      keys.insert(std::string(Trim(line.substr(0, eq))));
    }
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  std::vector<std::pair<std::string, std::string>> names;
  for (const std::string& s : sections)
    for (const std::string& k : keys) names.emplace_back(s, k);
  return names;
}

void CheckIniFile(std::string_view bytes) {
  IniFile file = IniFile::Parse(bytes);
  const std::string once = file.Serialize();
  IniFile again = IniFile::Parse(once);
  FUZZ_CHECK(again.Serialize() == once, "serialising is not stable");
  // Lines that were not UTF-8 keep their bytes; a UTF-8 file stays one.
  FUZZ_CHECK(base::IsValidUtf8(once) || !base::IsValidUtf8(bytes), "serialised file is not UTF-8");

  std::vector<std::pair<std::string, std::string>> names = NamesToQuery(bytes);
  for (const auto& [s, k] : names)
    FUZZ_CHECK(file.Get(s, k) == again.Get(s, k), "entry changed by a round trip", s + "/" + k);

  // A value made of the input's own bytes, as far as an INI line can hold it.
  std::string value(bytes.substr(0, 300));
  value = base::IsValidUtf8(value) ? value : base::Cp932ToUtf8(value);
  std::erase_if(value, [](char c) { return c == '\r' || c == '\n'; });
  const auto& [section, key] = names[bytes.size() % names.size()];
  if (section.find_first_of("[]\r\n") != std::string::npos ||
      key.find_first_of("=[\r\n") != std::string::npos || Trim(section) != section ||
      Trim(key) != key || key.empty())
    return;
  IniFile edited = IniFile::Parse(bytes);
  edited.Set(section, key, value);
  FUZZ_CHECK(edited.Get(section, key) == value, "a Set does not read back", section + "/" + key);
  IniFile reread = IniFile::Parse(edited.Serialize());
  FUZZ_CHECK(reread.Get(section, key) == value, "a stored Set does not read back",
             section + "/" + key + " = '" + value + "' read as '" +
                 reread.Get(section, key).value_or("(missing)") + "'");
  for (const auto& [s, k] : names) {
    bool same_entry =
        settings::IniFile::Parse("[" + s + "]\n" + k + "=1").Get(section, key).has_value();
    if (same_entry) continue;
    FUZZ_CHECK(reread.Get(s, k) == file.Get(s, k), "a Set changed another entry", s + "/" + k);
  }
}

bool SameTable(const settings::LayerStyleTable& a, const settings::LayerStyleTable& b,
               std::string& what) {
  for (const settings::LayerDef& def : settings::LayerDefs()) {
    settings::LayerStyle x = a.Style(def.key), y = b.Style(def.key);
    if (x.enabled != y.enabled || x.color != y.color || x.width_step != y.width_step) {
      what = std::string(def.name);
      return false;
    }
  }
  for (const settings::FontDef& def : settings::FontDefs()) {
    picture::LabelFont x = a.Font(def.id), y = b.Font(def.id);
    y.charset = x.charset;
    if (!(x == y)) {
      what = std::string(def.section) + " (height " + std::to_string(x.height) + " / " +
             std::to_string(y.height) + ", name '" + x.face_name + "' / '" + y.face_name + "')";
      return false;
    }
  }
  return true;
}

void CheckSettings(std::string_view bytes) {
  const std::string path = WorkFolder() + "/vellumist.ini";
  WriteBytes(path, bytes);
  settings::LayerStyleTable loaded;
  settings::StartupSettings startup = settings::LoadSettings(path, WorkFolder() + "/", loaded);
  FUZZ_CHECK(!startup.input_folder.empty() && !startup.output_folder.empty(), "folders not set");

  try {
    settings::SaveSettings(path, loaded);
  } catch (const settings::SettingsWriteError& e) {
    fuzz::Fail("settings read from a file cannot be saved again", e.what());
  }
  const std::string saved = ReadBytes(path);
  settings::LayerStyleTable reloaded;
  startup = settings::LoadSettings(path, WorkFolder() + "/", reloaded);
  FUZZ_CHECK(!startup.error, "a saved file fails to load", startup.error.value_or(""));
  std::string what;
  FUZZ_CHECK(SameTable(loaded, reloaded, what), "save and load changed a value", what);
  settings::SaveSettings(path, reloaded);
  FUZZ_CHECK(ReadBytes(path) == saved, "a second save changed the file");

  // The label fonts as a conversion would measure them: every size with the default face on a
  // library kept for the run, and one fuzzed face name on a fresh library (a kept one would cache
  // every name the fuzzer makes up).
  static picture::FontLibrary* kept = new picture::FontLibrary();
  bool named = false;
  for (const settings::FontDef& def : settings::FontDefs()) {
    picture::LabelFont font = loaded.Font(def.id);
    picture::TextExtent e;
    if (font.face_name != picture::LabelFont().face_name && !named) {
      named = true;
      picture::FontLibrary fresh;
      e = fresh.Measure(font, "\x96\xbc\x91\x4f Ab");
    } else {
      font.face_name = picture::LabelFont().face_name;
      e = kept->Measure(font, "\x96\xbc\x91\x4f Ab");
    }
    FUZZ_CHECK(e.width >= 0 && e.height >= 0, "negative text extent");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CheckIniFile(bytes);
  CheckSettings(bytes);
  return 0;
}
