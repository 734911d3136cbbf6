// The parts of files.h that are the same on every system: temporary names and leftovers.
#include "platform/files.h"

#include <cctype>
#include <string>

#include "platform/folders.h"
#include "platform/program.h"

namespace sheetwright::platform {
namespace {

constexpr std::string_view kTempMark = ".tmp";
constexpr size_t kRandomChars = 6;

// The process id in a temporary name of ours ("<name>.tmp<pid>-XXXXXX"), or 0 for any other name.
long WriterOf(std::string_view name) {
  size_t mark = name.rfind(kTempMark);
  if (mark == std::string_view::npos || name.size() < kRandomChars + 1) return 0;
  size_t dash = name.size() - kRandomChars - 1;
  size_t digits = mark + kTempMark.size();
  if (dash <= digits || name[dash] != '-' || dash - digits > 10) return 0;
  long pid = 0;
  for (size_t i = digits; i < dash; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return 0;
    pid = pid * 10 + (name[i] - '0');
  }
  for (size_t i = dash + 1; i < name.size(); ++i) {
    if (!std::isalnum(static_cast<unsigned char>(name[i]))) return 0;
  }
  return pid;
}

}  // namespace

std::string TempPrefix(const std::string& target) {
  return target + std::string(kTempMark) + std::to_string(ProcessId()) + "-";
}

int RemoveLeftovers(const std::string& folder) {
  std::error_code error;
  int removed = 0;
  for (const FolderEntry& entry : ListFolder(folder, error)) {
    long pid = WriterOf(entry.name);
    if (pid <= 0 || pid == ProcessId() || ProcessRunning(pid)) continue;
    std::string path = JoinPath(folder, entry.name);
    if (entry.kind == EntryKind::kFile) {
      removed += !RemoveFile(path);
    } else if (entry.kind == EntryKind::kFolder && entry.name.front() == '.') {
      RemoveTempFolder(path);
      removed += KindOf(path) == EntryKind::kNone;
    }
  }
  return removed;
}

}  // namespace sheetwright::platform
