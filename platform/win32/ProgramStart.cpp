#include "platform/ProgramStart.h"

#include <windows.h>

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

} // namespace platform
