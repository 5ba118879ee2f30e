#include "RuntimeScript.h"

#include <cstdlib>
#include <sstream>

namespace {

std::string Substitute(std::string text, const std::string& key, const std::string& value)
{
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
        text.replace(at, key.size(), value);
    return text;
}

std::string PosixSpelling(std::string path)
{
    if (path.size() >= 2 && path[1] == ':')
        path.erase(0, 2);
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    return path;
}

// The path below the drive's root: no drive and no leading backslash.
std::string FromRoot(std::string path)
{
    if (path.size() >= 2 && path[1] == ':')
        path.erase(0, 2);
    while (!path.empty() && (path[0] == '\\' || path[0] == '/'))
        path.erase(0, 1);
    return path;
}

bool ReadNumber(const std::string& text, long* number)
{
    char* end = nullptr;
    *number = std::strtol(text.c_str(), &end, 0);
    return !text.empty() && *end == '\0';
}

} // namespace

RuntimeScript ReadRuntimeScript(const std::string& text, const std::string& mediumRoot)
{
    RuntimeScript script;
    std::istringstream lines(text);
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        line = Substitute(line.substr(first), "%MEDIUM/%", PosixSpelling(mediumRoot));
        line = Substitute(line, "%MEDIUM-FROM-ROOT%", FromRoot(mediumRoot));
        line = Substitute(line, "%MEDIUM%", mediumRoot);
        const size_t blank = line.find(' ');
        const std::string word = line.substr(0, blank);
        const std::string rest = blank == std::string::npos ? "" : line.substr(blank + 1);
        ScriptStep step{ScriptStep::Kind::Wait, rest, 0};
        bool valid = true;
        if (word == "count-in") {
            step.kind = ScriptStep::Kind::ClientIn;
        } else if (word == "count-out") {
            step.kind = ScriptStep::Kind::ClientOut;
        } else if (word == "start") {
            step.kind = ScriptStep::Kind::Start;
            valid = !rest.empty();
        } else if (word == "winexec") {
            step.kind = ScriptStep::Kind::WinExec;
            const size_t space = rest.find(' ');
            valid = space != std::string::npos && ReadNumber(rest.substr(0, space), &step.number);
            step.text = valid ? rest.substr(space + 1) : "";
        } else if (word == "ping") {
            step.kind = ScriptStep::Kind::Ping;
            step.number = 5000;
            valid = rest.empty() || ReadNumber(rest, &step.number);
        } else if (word == "wait") {
            step.kind = ScriptStep::Kind::Wait;
            valid = ReadNumber(rest, &step.number) && step.number >= 0;
        } else if (word == "window") {
            step.kind = ScriptStep::Kind::Window;
        } else {
            valid = false;
        }
        if (!valid) {
            script.error = "line " + std::to_string(lineNumber) + ": cannot read \"" + line + "\"";
            return script;
        }
        script.steps.push_back(step);
    }
    return script;
}
