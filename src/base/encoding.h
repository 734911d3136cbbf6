// Conversion between the map data's code page (CP932, Shift_JIS with Microsoft's extensions) and
// UTF-8. Map data bytes are never converted on their way into a drawing; these functions serve
// display only: messages, the GUI, text rendered by Cairo, the settings file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sheetwright::base {

// Decodes CP932 bytes. Bytes that do not form a CP932 character become U+FFFD; never fails.
std::string Cp932ToUtf8(std::string_view cp932);

// Map bytes shown inside a message: decoded as Cp932ToUtf8 does, with each NUL byte shown as "␀",
// so a message is never cut short where it is handled as a C string, and every other control byte
// escaped ("\r", "\n", "\t", "\x1B"), so that a stray CR cannot rewrite a terminal line.
std::string MessageText(std::string_view cp932);

// Encodes UTF-8 text as CP932. Characters without a CP932 form become '?'; never fails.
std::string Utf8ToCp932(std::string_view utf8);

// Decodes UTF-8 into code points; malformed bytes become U+FFFD one byte at a time.
std::u32string CodePoints(std::string_view utf8);

// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

// Text that comes from this platform rather than from map data (file paths, folder names): kept
// as it is when it is valid UTF-8, else taken as CP932 (names copied from
// Windows media). For messages only.
std::string PlatformTextToUtf8(std::string_view bytes);

}  // namespace sheetwright::base
