// Folders through the operating system: what kind of entry a path names, a folder's entries, and
// joining and splitting paths with this system's separators ("/" on POSIX; "\" and "/" on
// Windows, where "\" is written). Paths are bytes as in files.h: Windows paths are UTF-8, so no
// byte of a multi-byte character is ever taken for a separator (a Shift_JIS name such as 表, whose
// second byte is 0x5C, is converted to UTF-8 before it becomes a path).
#pragma once

#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace sheetwright::platform {

#ifdef _WIN32
inline constexpr char kSeparator = '\\';
inline constexpr bool kIgnoresLetterCase = true;  // NTFS and FAT as Windows mounts them
#else
inline constexpr char kSeparator = '/';
inline constexpr bool kIgnoresLetterCase = false;
#endif

// '/' everywhere, '\' on Windows.
bool IsSeparator(char c);

// `folder` + a separator (unless it ends with one or is empty) + `name`.
std::string JoinPath(std::string_view folder, std::string_view name);

// The position of the last separator in `path`, or npos.
size_t LastSeparator(std::string_view path);

// The last component of `path` (after its last separator).
std::string_view BaseName(std::string_view path);

// `path` relative to `folder` when it lies in it ("in/m/road/x.arc" in "in/m": "road/x.arc"),
// else `path` as it is.
std::string RelativeTo(std::string_view folder, std::string_view path);

// The last component's extension from its last dot ("map.PDF": ".PDF"), or empty when it has none
// (a name that starts with its only dot has none). Bytes only: a name in any encoding.
std::string_view ExtensionOf(std::string_view path);

enum class EntryKind { kNone, kFile, kFolder, kOther };

// What `path` names, links followed: kNone when nothing (or a dangling link). `error`, when given,
// is set when the answer is kNone for another reason than a missing entry (no permission, ...).
EntryKind KindOf(const std::string& path, std::error_code* error = nullptr);

struct FolderEntry {
  std::string name;  // as the file system spells it
  EntryKind kind;    // links followed
};

// The entries of `folder` but "." and "..", in the file system's order; empty with `error` set
// when the folder cannot be listed.
std::vector<FolderEntry> ListFolder(const std::string& folder, std::error_code& error);

}  // namespace sheetwright::platform
