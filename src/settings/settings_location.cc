#include "settings/settings_location.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/atomic_file.h"
#include "base/whole_file.h"
#include "settings/settings_file.h"

namespace sheetwright::settings {
namespace {

namespace fs = std::filesystem;

std::string InFolder(const std::string& folder, std::string_view name) {
  std::string path = folder;
  if (path.empty() || path.back() != '/') path += '/';
  return path.append(name);
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

bool FolderWritable(const std::string& folder) {
  struct stat st {};
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & 0222) != 0 &&
         ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

// Resolved, so that messages name /usr/share/..., not /usr/bin/../share/...
std::string InstalledExample(const std::string& exe_dir) {
  std::error_code ec;
  std::string path = InFolder(exe_dir, "../share/sheetwright/") + std::string(kSettingsFileName);
  std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : resolved.string();
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  const passwd* entry = ::getpwuid(::geteuid());
  return entry && entry->pw_dir ? entry->pw_dir : "/";
}

}  // namespace

std::string UserSettingsPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string folder = config && config[0] == '/' ? config : InFolder(HomeFolder(), ".config");
  return InFolder(folder, "sheetwright/") + std::string(kSettingsFileName);
}

std::string SettingsFilePath(const std::string& exe_dir) {
  std::string beside = InFolder(exe_dir, kSettingsFileName);
  if (Exists(beside)) return beside;
  // An installed program's folder (/usr/bin) is writable to root, but settings do not belong
  // there: the installed example beside it tells it from a portable copy.
  if (FolderWritable(exe_dir) && !Exists(InstalledExample(exe_dir))) return beside;
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
    std::string bytes = base::ReadWholeFile(seed);
    std::error_code ec;
    fs::create_directories(fs::path(settings_path).parent_path(), ec);
    base::WriteFileAtomically(settings_path, bytes);
  } catch (const std::exception&) {
    // Started with the defaults; the first save reports what stands in the way.
  }
}

}  // namespace sheetwright::settings
