#include "platform/SystemVersion.h"

#include <windows.h>

namespace platform {

bool IsNtPlatform()
{
    OSVERSIONINFOA info{};
    static_assert(sizeof info == 148, "the ANSI version record is 148 bytes");
    info.dwOSVersionInfoSize = sizeof info;
    return GetVersionExA(&info) != FALSE && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

} // namespace platform
