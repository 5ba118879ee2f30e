#pragma once

#include <cstdarg>

// The system's message formatting of a format string (the Windows message
// syntax on every platform): %1 .. %99 insert the arguments, each optionally
// with a printf conversion between exclamation marks (%1!d!, default !s!;
// an asterisk in it takes the next inserts as width and precision); %n is a
// line break (CR LF), %t a tab, %r a carriage return, %0 ends the text;
// %%, %., %! and "% " stand for the character itself. Every argument is read
// as a pointer-sized value, as the Windows function reads them.
namespace platform {

// The formatted text in a buffer to be released with FreeFormattedMessage,
// or null when the format is invalid or the text would be empty.
char* FormatMessageFromString(const char* format, va_list* args);
void FreeFormattedMessage(char* message);

} // namespace platform
