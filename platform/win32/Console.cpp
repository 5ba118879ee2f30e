#include "platform/Console.h"

#include <windows.h>

namespace platform {

ConsoleHandle StandardInputHandle()
{
    return reinterpret_cast<ConsoleHandle>(GetStdHandle(STD_INPUT_HANDLE));
}

ConsoleHandle StandardOutputHandle()
{
    return reinterpret_cast<ConsoleHandle>(GetStdHandle(STD_OUTPUT_HANDLE));
}

void KeepRunningWhenOutputCloses() {}

bool ConsoleWrite(ConsoleHandle handle, const void* bytes, size_t count)
{
    const char* next = static_cast<const char*>(bytes);
    while (count > 0) {
        const DWORD piece = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
        DWORD written = 0;
        if (!WriteFile(reinterpret_cast<HANDLE>(handle), next, piece, &written, nullptr) || written == 0) {
            return false;
        }
        next += written;
        count -= written;
    }
    return true;
}

bool ConsoleReadByte(ConsoleHandle handle, char& byte)
{
    DWORD got = 0;
    // At the end of a pipe Windows fails the read while Wine returns 0 bytes.
    return ReadFile(reinterpret_cast<HANDLE>(handle), &byte, 1, &got, nullptr) && got == 1;
}

bool StandardOutputIsTerminal()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

} // namespace platform
