#pragma once

#include <string>

namespace platform {

// Windows path text in POSIX spelling: backslashes become slashes and a drive
// prefix ("D:") is dropped, as the one root stands for every drive.
std::string NativePath(const std::string& windowsPath);

} // namespace platform
