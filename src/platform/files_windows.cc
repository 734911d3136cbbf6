#include <cerrno>
#include <random>
#include <string>
#include <utility>

#include "platform/files.h"
#include "platform/folders.h"
#include "platform/program.h"
#include "platform/wide_windows.h"

namespace sheetwright::platform {
namespace {

std::error_code Errno(int err) { return std::error_code(err, std::generic_category()); }

[[noreturn]] void Throw(const std::string& path, std::error_code error) {
  throw std::system_error(error, path);
}

HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// Six letters or digits for a new temporary name.
std::string RandomChars() {
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 random(std::random_device{}() ^ GetCurrentThreadId());
  std::string chars(6, 'X');
  for (char& c : chars) c = kChars[random() % (sizeof kChars - 1)];
  return chars;
}

// `make` called with new temporary names until one is free: the name made, or "" with `error`.
template <typename Make>
std::string MakeUnique(const std::string& prefix, std::error_code& error, Make make) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = prefix + RandomChars();
    if (make(Wide(name))) {
      error.clear();
      return name;
    }
    DWORD code = GetLastError();
    if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
      error = LastError(code);
      return {};
    }
  }
  error = Errno(EEXIST);
  return {};
}

// No error, or the failed write's.
std::error_code WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
    DWORD done = 0;
    if (!WriteFile(file, bytes.data(), chunk, &done, nullptr)) return LastError();
    if (done == 0) return Errno(ENOSPC);
    bytes.remove_prefix(done);
  }
  return {};
}

}  // namespace

std::string ReadWholeFile(const std::string& path) {
  HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) Throw(path, LastError());
  BY_HANDLE_FILE_INFORMATION info{};
  std::error_code error;
  if (!GetFileInformationByHandle(file, &info)) {
    error = LastError();
  } else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    error = Errno(EISDIR);
  } else if (GetFileType(file) != FILE_TYPE_DISK) {
    error = Errno(EINVAL);
  }
  std::string bytes;
  if (!error) bytes.resize((uint64_t(info.nFileSizeHigh) << 32 | info.nFileSizeLow) + 1);
  size_t got = 0;
  // The size may change while we read; read to the real end either way.
  while (!error) {
    if (got == bytes.size()) bytes.resize(bytes.size() + 65536);
    DWORD n = 0;
    DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - got, 1u << 30));
    if (!ReadFile(file, bytes.data() + got, want, &n, nullptr)) error = LastError();
    if (n == 0) break;
    got += n;
  }
  CloseHandle(file);
  if (error) Throw(path, error);
  bytes.resize(got);
  return bytes;
}

std::string LinkTarget(const std::string& path) { return path; }

std::error_code WriteRefusal(const std::string& path) {
  DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? std::error_code()
                                                                        : LastError(code);
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Errno(EISDIR);
  if (attributes & FILE_ATTRIBUTE_READONLY) return Errno(EACCES);  // its owner froze it
  return {};
}

bool WritableOnlyInPlace(const std::string& target) {
  size_t separator = LastSeparator(target);
  std::string folder = separator == std::string::npos ? "." : target.substr(0, separator + 1);
  return KindOf(target) == EntryKind::kFile && !WriteRefusal(target) && !FolderWritable(folder);
}

AtomicFile::AtomicFile(std::string path) : shown_(std::move(path)), path_(shown_) {
  if (std::error_code refusal = WriteRefusal(path_)) Fail(refusal);
  std::error_code error;
  HANDLE file = INVALID_HANDLE_VALUE;
  temp_ = MakeUnique(TempPrefix(path_), error, [&](const std::wstring& name) {
    file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return file != INVALID_HANDLE_VALUE;
  });
  if (error) Fail(error);
  handle_ = reinterpret_cast<intptr_t>(file);
}

AtomicFile::~AtomicFile() {
  if (handle_ != -1) CloseHandle(AsHandle(handle_));
  if (!temp_.empty()) DeleteFileW(Wide(temp_).c_str());
}

void AtomicFile::Fail(std::error_code error) {
  if (handle_ != -1) CloseHandle(AsHandle(handle_));
  handle_ = -1;
  if (!temp_.empty()) DeleteFileW(Wide(temp_).c_str());
  temp_.clear();
  Throw(shown_, error);
}

void AtomicFile::Write(std::string_view bytes) {
  if (handle_ == -1) Fail(Errno(EBADF));
  if (std::error_code error = WriteAll(AsHandle(handle_), bytes)) Fail(error);
  written_ += bytes.size();
}

void AtomicFile::Close() {
  if (handle_ == -1) {
    if (temp_.empty()) Fail(Errno(EBADF));
    return;
  }
  HANDLE file = AsHandle(handle_);
  if (!FlushFileBuffers(file)) Fail(LastError());
  handle_ = -1;
  if (!CloseHandle(file)) Fail(LastError());
}

void AtomicFile::Commit() {
  Close();
  // Asked again: the file may have been frozen while this one was written.
  if (std::error_code refusal = WriteRefusal(path_)) Fail(refusal);
  if (std::error_code error = MoveOver(temp_, path_)) Fail(error);
  temp_.clear();
}

// FILE_FLAG_DELETE_ON_CLOSE: the system removes the file with its last handle, also when the
// process is ended from outside; FILE_ATTRIBUTE_TEMPORARY keeps it in the cache where it can.
ScratchFile::ScratchFile(const std::string& stem) {
  std::error_code error;
  HANDLE file = INVALID_HANDLE_VALUE;
  path_ = MakeUnique(TempPrefix(stem), error, [&](const std::wstring& name) {
    file = CreateFileW(
        name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return file != INVALID_HANDLE_VALUE;
  });
  if (error) Throw(stem, error);
  handle_ = reinterpret_cast<intptr_t>(file);
}

ScratchFile::~ScratchFile() {
  if (handle_ != -1) CloseHandle(AsHandle(handle_));
  DeleteFileW(Wide(path_).c_str());
}

void ScratchFile::Fail(std::error_code error) { Throw(path_, error); }

void ScratchFile::Write(std::string_view bytes) {
  LARGE_INTEGER zero{};
  if (reading_ && !SetFilePointerEx(AsHandle(handle_), zero, nullptr, FILE_END)) Fail(LastError());
  reading_ = false;
  if (std::error_code error = WriteAll(AsHandle(handle_), bytes)) Fail(error);
}

void ScratchFile::Rewind(uint64_t offset) {
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(AsHandle(handle_), at, nullptr, FILE_BEGIN)) Fail(LastError());
  reading_ = true;
}

size_t ScratchFile::Read(char* buffer, size_t size) {
  size_t got = 0;
  while (got < size) {
    DWORD want = static_cast<DWORD>(std::min<size_t>(size - got, 1u << 30));
    DWORD n = 0;
    if (!ReadFile(AsHandle(handle_), buffer + got, want, &n, nullptr)) Fail(LastError());
    if (n == 0) break;
    got += n;
  }
  return got;
}

void WriteFileInPlace(const std::string& path, std::string_view bytes) {
  if (std::error_code refusal = WriteRefusal(path)) Throw(path, refusal);
  HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) Throw(path, LastError());
  // Cut to size only once the new bytes are in: a short write then at least keeps the old tail.
  std::error_code error = WriteAll(file, bytes);
  if (!error && !SetEndOfFile(file)) error = LastError();
  if (!error && !FlushFileBuffers(file)) error = LastError();
  if (!CloseHandle(file) && !error) error = LastError();
  if (error) Throw(path, error);
}

std::string MakeTempFolder(const std::string& target, std::error_code& error) {
  size_t separator = LastSeparator(target);
  std::string folder = separator == std::string::npos ? "" : target.substr(0, separator + 1);
  std::string prefix = TempPrefix(folder + "." + std::string(BaseName(target)));
  return MakeUnique(prefix, error, [](const std::wstring& name) {
    if (!CreateDirectoryW(name.c_str(), nullptr)) return false;
    SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_HIDDEN);
    return true;
  });
}

void RemoveTempFolder(const std::string& folder) {
  if (RemoveDirectoryW(Wide(folder).c_str())) return;
  std::error_code error;
  for (const FolderEntry& entry : ListFolder(folder, error)) {
    DeleteFileW(Wide(JoinPath(folder, entry.name)).c_str());
  }
  RemoveDirectoryW(Wide(folder).c_str());
}

std::error_code RemoveFile(const std::string& path) {
  std::wstring wide = Wide(path);
  if (DeleteFileW(wide.c_str()) || RemoveDirectoryW(wide.c_str())) return {};
  DWORD code = GetLastError();
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return {};
  return LastError(code);
}

// ReplaceFileW keeps the old file's attributes and permissions; the read-only attribute is the
// frozen mode, which WriteRefusal reports. Windows has no links to follow here.
std::error_code ReplaceWith(const std::string& temp, const std::string& path) {
  if (std::error_code refusal = WriteRefusal(path)) return refusal;
  return MoveOver(temp, path);
}

std::error_code MoveOver(const std::string& from, const std::string& to) {
  std::wstring source = Wide(from);
  std::wstring target = Wide(to);
  // An existing file is replaced by ReplaceFileW, which keeps its attributes and permissions and
  // fails, leaving it whole, when another program holds it open. Without a backup name a failure
  // never leaves the old file renamed.
  if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
    if (ReplaceFileW(target.c_str(), source.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                     nullptr, nullptr)) {
      return {};
    }
    DWORD code = GetLastError();
    // A target on a file system without ReplaceFileW's support falls back to a plain move.
    if (code != ERROR_INVALID_PARAMETER && code != ERROR_NOT_SUPPORTED) return LastError(code);
  }
  if (MoveFileExW(source.c_str(), target.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return {};
  }
  return LastError();
}

}  // namespace sheetwright::platform
