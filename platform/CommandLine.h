#pragma once

#include <string>
#include <vector>

namespace platform {

// Splits a whole command line, the program name first (what CreateProcessA
// and WinExec get), by the Windows C runtime's rules. The program name ends
// at a blank or tab outside quotes; a double quote there only toggles
// quoting and backslashes are literal. After it, blanks and tabs separate,
// double quotes group, 2n backslashes before a quote give n backslashes and
// an opening or closing quote, 2n+1 give n backslashes and a literal quote,
// backslashes elsewhere are literal, and "" inside a quoted part is a literal
// quote. Leading blanks are skipped.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Splits argument text without a program name (what WinMain gets after it):
// every argument by the rules for those after the program name.
std::vector<std::string> SplitArguments(const std::string& argumentText);

// Quotes one argument, where it needs it, for a command line that the
// program's C runtime splits: one that contains a blank, a tab or a double
// quote, or is empty, goes in double quotes, backslashes before a quote are
// doubled plus one and those at its end are doubled before the closing quote.
// SplitArguments gives it back. Any other argument is left as it is.
std::string QuoteArgument(const std::string& argument);

// Joins arguments with single blanks, quoting those that contain a blank, a
// tab or a double quote (or are empty) so that SplitArguments gives them back,
// and SplitCommandLine too unless the first one holds a double quote (which
// a program name cannot: its rule has no way to write one).
std::string JoinCommandLine(const std::vector<std::string>& arguments);

} // namespace platform
