// Running a program from a test: its exit status and what it wrote to stdout and stderr.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/common_test_util.h"

extern char** environ;

namespace sheetwright::test_util {

struct ProcessResult {
  int exit_status = -1;  // -1 when the program did not exit normally
  int signal = 0;        // the signal that ended it, if any
  std::string out, err;
};

// Runs `program` with `args`, stdin from /dev/null. `file_size_limit` sets RLIMIT_FSIZE for the
// child (inherited at spawn; the caller's limit is restored at once).
inline ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                                std::optional<rlim_t> file_size_limit = std::nullopt) {
  char out_path[] = "/tmp/sheetwright-out-XXXXXX";
  char err_path[] = "/tmp/sheetwright-err-XXXXXX";
  int out_fd = mkstemp(out_path), err_fd = mkstemp(err_path);
  if (out_fd < 0 || err_fd < 0) throw std::runtime_error("mkstemp failed");

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out_fd, 1);
  posix_spawn_file_actions_adddup2(&actions, err_fd, 2);

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  rlimit saved{};
  if (file_size_limit) {
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = *file_size_limit;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  // A sanitizer build would append its list of suppressed leaks to stderr.
  std::vector<std::string> env_strings;
  for (char** e = environ; *e; ++e) {
    if (std::string_view(*e).rfind("LSAN_OPTIONS=", 0) != 0) env_strings.push_back(*e);
  }
  const char* lsan = getenv("LSAN_OPTIONS");
  env_strings.push_back(std::string("LSAN_OPTIONS=") + (lsan ? lsan : "") +
                        (lsan && *lsan ? ":" : "") + "print_suppressions=0");
  std::vector<char*> envp;
  for (std::string& e : env_strings) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_t pid;
  int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  if (file_size_limit) setrlimit(RLIMIT_FSIZE, &saved);
  posix_spawn_file_actions_destroy(&actions);
  close(out_fd);
  close(err_fd);
  ProcessResult result;
  if (rc == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  }
  result.out = ReadFileBytes(out_path);
  result.err = ReadFileBytes(err_path);
  unlink(out_path);
  unlink(err_path);
  if (rc != 0) throw std::runtime_error("cannot run " + program);
  return result;
}

inline std::string ConverterPath() { return SHEETWRIGHT_BINARY_DIR "/bin/sheetwright-convert"; }

// What GDAL's ogrinfo reads in an --into GeoPackage of the example meshes: SQLite's integrity
// check, the meshes and blocks it holds, and its R-trees ("ok 2 660 16").
inline std::string IntoFileSummary(const std::string& path) {
  const std::string text =
      RunProgram("/usr/bin/ogrinfo",
                 {"-q", path, "-sql",
                  "SELECT (SELECT group_concat(integrity_check) FROM pragma_integrity_check) AS c, "
                  "count(DISTINCT mesh) AS m, count(*) AS b, (SELECT count(*) FROM sqlite_master "
                  "WHERE name LIKE 'rtree_%' AND sql LIKE 'CREATE VIRTUAL TABLE%') AS i "
                  "FROM gaiku_polygon"})
          .out;
  std::string summary;
  for (const char* field :
       {"c (String) = ", "m (Integer) = ", "b (Integer) = ", "i (Integer) = "}) {
    size_t at = text.find(field);
    if (at == std::string::npos) return summary + "(no " + field + ")";
    at += std::string_view(field).size();
    summary += (summary.empty() ? "" : " ") + text.substr(at, text.find('\n', at) - at);
  }
  return summary;
}

}  // namespace sheetwright::test_util
