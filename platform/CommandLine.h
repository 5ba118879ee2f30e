#pragma once

#include <string>
#include <vector>

namespace platform {

// Splits a command line into arguments by the Windows rules: blanks and tabs
// separate, double quotes group, 2n backslashes before a quote give n
// backslashes and an opening or closing quote, 2n+1 give n backslashes and a
// literal quote, backslashes elsewhere are literal, and "" inside a quoted
// part is a literal quote.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Joins arguments with single blanks, quoting those that contain a blank, a
// tab or a double quote (or are empty) so that SplitCommandLine gives them back.
std::string JoinCommandLine(const std::vector<std::string>& arguments);

} // namespace platform
