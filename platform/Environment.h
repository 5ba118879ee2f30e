#pragma once

#include <optional>
#include <string>

namespace platform {

// A variable of the process's environment as the system keeps it, so that a
// change made by any module of the process (on Windows the C runtime keeps a
// copy of its own) is seen. Empty when the variable is not set.
std::optional<std::string> EnvironmentVariable(const char* name);

} // namespace platform
