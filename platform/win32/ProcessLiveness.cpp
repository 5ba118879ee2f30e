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

ProcessRun QueryProcessStart(uint32_t processId, uint64_t* startMs)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId);
    if (process == nullptr) {
        return GetLastError() == ERROR_INVALID_PARAMETER ? ProcessRun::Ended : ProcessRun::Unknown;
    }
    DWORD exitCode = 0;
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    const bool asked = GetExitCodeProcess(process, &exitCode) != 0;
    const bool timed = GetProcessTimes(process, &created, &exited, &kernel, &user) != 0;
    CloseHandle(process);
    if (!asked || !timed) {
        return ProcessRun::Unknown;
    }
    if (exitCode != STILL_ACTIVE) {
        return ProcessRun::Ended;
    }
    *startMs = Milliseconds(created);
    return ProcessRun::Running;
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
