#include "platform/CommandLine.h"

namespace platform {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The program name by the C runtime's rule: a quote only toggles quoting,
// and every other character, backslashes included, is taken as it is.
std::string ReadProgramName(const std::string& line, size_t& i)
{
    std::string name;
    bool quoted = false;
    for (; i < line.size() && (quoted || !IsBlank(line[i])); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else
            name += line[i];
    }
    return name;
}

// An argument after the program name: backslashes escape quotes, and ""
// inside a quoted part is a literal quote.
std::string ReadArgument(const std::string& line, size_t& i)
{
    const size_t n = line.size();
    std::string argument;
    bool quoted = false;
    while (i < n && (quoted || !IsBlank(line[i]))) {
        if (line[i] == '\\') {
            size_t backslashes = 0;
            while (i < n && line[i] == '\\') {
                ++backslashes;
                ++i;
            }
            if (i < n && line[i] == '"') {
                argument.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    argument += '"';
                    ++i;
                }
            } else {
                argument.append(backslashes, '\\');
            }
        } else if (line[i] == '"') {
            if (quoted && i + 1 < n && line[i + 1] == '"') {
                argument += '"';
                i += 2;
            } else {
                quoted = !quoted;
                ++i;
            }
        } else {
            argument += line[i++];
        }
    }
    return argument;
}

std::vector<std::string> Split(const std::string& line, bool programNameFirst)
{
    std::vector<std::string> arguments;
    size_t i = 0;
    while (true) {
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        if (i >= line.size())
            break;
        if (arguments.empty() && programNameFirst)
            arguments.push_back(ReadProgramName(line, i));
        else
            arguments.push_back(ReadArgument(line, i));
    }
    return arguments;
}

// Appends argument to line, quoted where it needs to be. Backslashes at its
// end are doubled before the closing quote, or, with backslashesAfterQuote,
// go as they are after it, where the program name's rule takes them as they
// are too.
void AppendQuoted(std::string& line, const std::string& argument, bool backslashesAfterQuote)
{
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
        line += argument;
        return;
    }
    line += '"';
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes are only special in front of a quote: double them there.
        line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        line += c;
    }
    if (backslashesAfterQuote) {
        line += '"';
        line.append(backslashes, '\\');
    } else {
        line.append(backslashes * 2, '\\');
        line += '"';
    }
}

} // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine)
{
    return Split(commandLine, true);
}

std::vector<std::string> SplitArguments(const std::string& argumentText)
{
    return Split(argumentText, false);
}

std::string QuoteArgument(const std::string& argument)
{
    std::string quoted;
    AppendQuoted(quoted, argument, false);
    return quoted;
}

std::string JoinCommandLine(const std::vector<std::string>& arguments)
{
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty())
            line += ' ';
        AppendQuoted(line, argument, true);
    }
    return line;
}

} // namespace platform
