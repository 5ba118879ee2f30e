#include "platform/ProcessLiveness.h"

#include <windows.h>

namespace platform {

namespace {
uint64_t Milliseconds(const FILETIME& time)
{
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return value.QuadPart / 10000ULL;
}
} // namespace

bool QueryProcessStart(uint32_t processId, uint64_t* startMs)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId);
    if (process == nullptr) {
        return false;
    }
    DWORD exitCode = 0;
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    const bool running = GetExitCodeProcess(process, &exitCode) && exitCode == STILL_ACTIVE &&
                         GetProcessTimes(process, &created, &exited, &kernel, &user);
    CloseHandle(process);
    if (running) {
        *startMs = Milliseconds(created);
    }
    return running;
}

uint64_t ProcessClockNowMs()
{
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return Milliseconds(now);
}

std::string ProcessName(uint32_t)
{
    return std::string();
}

bool RaiseDescriptorLimit()
{
    return true;
}

} // namespace platform
