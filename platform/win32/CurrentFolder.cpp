#include "platform/CurrentFolder.h"

#include <windows.h>

namespace platform {

bool ChangeCurrentFolder(const char* path)
{
    return SetCurrentDirectoryA(path) != FALSE;
}

std::string CurrentFolder()
{
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    return length > 0 && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

} // namespace platform
