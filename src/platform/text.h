// Text through the operating system: CP932 (Shift_JIS with Microsoft's extensions) to and from
// UTF-8 (glibc's iconv on POSIX; code page 932 on Windows, made to give glibc's answers where the
// two differ, so that both systems make the same bytes), terminals, and signal names.
// base/encoding.h builds the project's text helpers on these.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace sheetwright::platform {

// Decodes CP932 bytes. Each byte that does not start a CP932 character (0x80, 0xA0, 0xFD-0xFF, a
// lead byte without a fitting second byte, an unassigned code) becomes U+FFFD and decoding goes on
// with the byte after it.
std::string DecodeCp932(std::string_view cp932);

// Appends the CP932 bytes of one UTF-8 character to `out`; false, and nothing appended, when it has
// no CP932 form (or is no well-formed character).
bool EncodeCp932Char(std::string_view utf8_char, std::string& out);

// A folder name as the settings file stores it turned into a path, and back: the same bytes on
// POSIX; on Windows the file holds CP932 (the bytes a Japanese Windows writes) and paths are UTF-8
// (a value already valid UTF-8 is kept; a path without a CP932 form is stored as UTF-8).
std::string SettingsTextToPath(std::string_view stored);
std::string PathToSettingsText(std::string_view path);

// True when `stream` is a terminal (a console on Windows).
bool IsTerminal(std::FILE* stream);

// The short name of a stop's signal number ("INT", "TERM", "HUP"), as in "SIGINT".
std::string SignalName(int signal);

}  // namespace sheetwright::platform
