#include "platform/ProgramStart.h"

#include <windows.h>

#include <string>

namespace platform {

bool StartProgramShown(const char* commandLine, int showMode)
{
    return WinExec(commandLine, static_cast<UINT>(showMode)) > 31;
}

bool StartProgramProcess(char* commandLine)
{
    STARTUPINFOA startup{};
    GetStartupInfoA(&startup);
    PROCESS_INFORMATION process{};
    // The handles are deliberately not closed: the launcher never looks at them again.
    return CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, CREATE_SEPARATE_WOW_VDM, nullptr, nullptr,
                          &startup, &process) != FALSE;
}

bool RunProgramToEnd(const char* commandLine, uint32_t timeoutMilliseconds, int* exitCode)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string line = commandLine != nullptr ? commandLine : "";
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    bool ended = WaitForSingleObject(process.hProcess, timeoutMilliseconds) == WAIT_OBJECT_0;
    if (!ended) {
        TerminateProcess(process.hProcess, 255);
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    if (ended && exitCode != nullptr)
        *exitCode = static_cast<int>(code);
    return ended;
}

} // namespace platform
