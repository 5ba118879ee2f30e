#pragma once

#include <string>
#include <string_view>

namespace platform {

// Conversion between the process's narrow (ANSI) text and UTF-16. On Windows
// the narrow side is the ANSI code page; on POSIX it is the character set of
// the current locale (set with setlocale), with the plain "C" locale read as
// Latin-1 so that every byte converts. Bytes that do not form a character
// become U+FFFD; characters the narrow side lacks become '?'. Both ends may
// contain zero characters, which convert like any other.
std::u16string AnsiToUtf16(std::string_view text);
std::string Utf16ToAnsi(std::u16string_view text);

} // namespace platform
