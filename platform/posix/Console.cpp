#include "platform/Console.h"

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace platform {

ConsoleHandle StandardInputHandle()
{
    return STDIN_FILENO;
}

ConsoleHandle StandardOutputHandle()
{
    return STDOUT_FILENO;
}

void KeepRunningWhenOutputCloses()
{
    std::signal(SIGPIPE, SIG_IGN);
}

bool ConsoleWrite(ConsoleHandle handle, const void* bytes, size_t count)
{
    const char* next = static_cast<const char*>(bytes);
    while (count > 0) {
        const ssize_t written = write(static_cast<int>(handle), next, count);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        next += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

bool ConsoleReadByte(ConsoleHandle handle, char& byte)
{
    for (;;) {
        const ssize_t got = read(static_cast<int>(handle), &byte, 1);
        if (got == 1) {
            return true;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        return false;
    }
}

bool StandardOutputIsTerminal()
{
    return isatty(STDOUT_FILENO) == 1;
}

} // namespace platform
