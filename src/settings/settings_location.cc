#include "settings/settings_location.h"

#include <filesystem>
#include <system_error>

#include "base/atomic_file.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/program.h"
#include "settings/settings_file.h"

namespace sheetwright::settings {
namespace {

namespace fs = std::filesystem;

std::string InFolder(const std::string& folder, std::string_view name) {
  return platform::JoinPath(folder, name);
}

bool Exists(const std::string& path) {
  return platform::KindOf(path) != platform::EntryKind::kNone;
}

// Resolved, so that messages name /usr/share/..., not /usr/bin/../share/...
std::string InstalledExample(const std::string& exe_dir) {
  std::error_code ec;
  std::string path = InFolder(exe_dir, "../share/sheetwright/") + std::string(kSettingsFileName);
  std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : resolved.string();
}

}  // namespace

std::string UserSettingsPath() {
  return InFolder(platform::UserSettingsFolder(), kSettingsFileName);
}

std::string SettingsFilePath(const std::string& exe_dir) {
  std::string beside = InFolder(exe_dir, kSettingsFileName);
  if (Exists(beside)) return beside;
  // An installed program's folder (/usr/bin) is writable to root, but settings do not belong
  // there: the installed example beside it tells it from a portable copy.
  if (platform::FolderWritable(exe_dir) && !Exists(InstalledExample(exe_dir))) return beside;
  return UserSettingsPath();
}

std::string SeedSettingsPath(const std::string& exe_dir) {
  for (const std::string& path :
       {InFolder(exe_dir, kSettingsFileName), InstalledExample(exe_dir)}) {
    if (Exists(path)) return path;
  }
  return {};
}

void SeedUserSettings(const std::string& settings_path, const std::string& exe_dir) {
  std::string seed = SeedSettingsPath(exe_dir);
  if (seed.empty() || settings_path == InFolder(exe_dir, kSettingsFileName) ||
      Exists(settings_path)) {
    return;
  }
  try {
    std::string bytes = platform::ReadWholeFile(seed);
    platform::MakeFolders(platform::UserSettingsFolder());
    base::WriteFileAtomically(settings_path, bytes);
  } catch (const std::exception&) {
    // Started with the defaults; the first save reports what stands in the way.
  }
}

}  // namespace sheetwright::settings
