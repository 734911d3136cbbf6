#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/files.h"
#include "platform/folders.h"
#include "platform/program.h"

namespace sheetwright::platform {
namespace {

// An environment variable that holds an absolute path, else "": a relative one would name a
// different folder from every working folder.
std::string AbsoluteFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value && value[0] == '/' ? value : "";
}

std::string HomeFolder() {
  std::string home = AbsoluteFromEnvironment("HOME");
  if (!home.empty()) return home;
  const passwd* entry = ::getpwuid(::geteuid());
  return entry && entry->pw_dir && entry->pw_dir[0] == '/' ? entry->pw_dir : "/";
}

}  // namespace

std::string ProgramFolder() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  std::filesystem::path folder = ec ? std::filesystem::current_path(ec) : exe.parent_path();
  std::string text = folder.string();
  if (text.empty() || text.back() != '/') text += '/';
  return text;
}

std::string UserSettingsFolder() {
  std::string config = AbsoluteFromEnvironment("XDG_CONFIG_HOME");
  if (config.empty()) config = JoinPath(HomeFolder(), ".config");
  return JoinPath(config, "sheetwright");
}

bool FolderWritable(const std::string& folder) {
  struct stat st {};
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & 0222) != 0 &&
         ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

std::error_code MakeFolders(const std::string& folder) {
  // A link into a missing folder (settings kept on another disk, say) is followed: its target is
  // made, not refused as an entry that exists.
  std::string target = LinkTarget(folder);
  std::error_code ec;
  std::filesystem::create_directories(target, ec);
  if (ec) return ec;
  if (KindOf(target) != EntryKind::kFolder) return std::make_error_code(std::errc::not_a_directory);
  return {};
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

long ProcessId() { return static_cast<long>(::getpid()); }

bool ProcessRunning(long pid) {
  return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

void RaiseFileLimits() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
  }
  // A write past a file-size limit then fails with EFBIG, reported like any failed store, instead
  // of the signal killing the process halfway through a file.
  ::signal(SIGXFSZ, SIG_IGN);
}

bool HasDisplay() {
  auto set = [](const char* name) { return std::getenv(name) && *std::getenv(name); };
  return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
}

}  // namespace sheetwright::platform
