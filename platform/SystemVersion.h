#pragma once

namespace platform {

// True when the platform identifier is VER_PLATFORM_WIN32_NT; false when it
// is another or cannot be read. The POSIX port behaves as the NT family.
bool IsNtPlatform();

} // namespace platform
