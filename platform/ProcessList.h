#pragma once

#include <functional>

namespace platform {

// Walks the running processes and calls visit with each one's executable
// file name, in Windows spelling (folders separated by backslashes), until
// visit returns true. Returns false when the process list cannot be had
// (on Win32: the Toolhelp functions are missing from Kernel32.dll).
// Processes that cannot be read are passed over.
bool VisitProcessFileNames(const std::function<bool(const char* fileName)>& visit);

} // namespace platform
