#include "platform/MessageFormat.h"

#include <windows.h>

namespace platform {

char* FormatMessageFromString(const char* format, va_list* args)
{
    char* buffer = nullptr;
    const DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER, format, 0, 0,
                                          reinterpret_cast<LPSTR>(&buffer), 0, args);
    if (length == 0) {
        if (buffer != nullptr) {
            ::LocalFree(buffer);
        }
        return nullptr;
    }
    return buffer;
}

void FreeFormattedMessage(char* message)
{
    ::LocalFree(message);
}

} // namespace platform
