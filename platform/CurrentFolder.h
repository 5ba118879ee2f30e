#pragma once

#include <string>

namespace platform {

// Changes the process-wide current folder. Windows path text is accepted
// everywhere: a backslash separates, and on POSIX a drive prefix ("D:") names
// the one root, so "\" is "/" and "D:\Tools" is "/Tools".
bool ChangeCurrentFolder(const char* path);

// The current folder in the platform's own spelling ("" when unknown).
std::string CurrentFolder();

} // namespace platform
