#include "platform/win32/ChildWait.h"

#include <windows.h>

namespace platform {

namespace {

void CloseProcess(intptr_t& process)
{
    CloseHandle(reinterpret_cast<HANDLE>(process));
    process = -1;
}

} // namespace

bool WaitForChild(intptr_t& process, uint32_t timeoutMs, int* exitCode)
{
    if (process == -1) {
        return false;
    }
    HANDLE handle = reinterpret_cast<HANDLE>(process);
    if (WaitForSingleObject(handle, timeoutMs) != WAIT_OBJECT_0) {
        return false;
    }
    DWORD code = 0;
    GetExitCodeProcess(handle, &code);
    if (exitCode != nullptr) {
        *exitCode = static_cast<int>(code);
    }
    CloseProcess(process);
    return true;
}

void KillChild(intptr_t& process)
{
    if (process == -1) {
        return;
    }
    HANDLE handle = reinterpret_cast<HANDLE>(process);
    TerminateProcess(handle, 1);
    WaitForSingleObject(handle, 10000);
    CloseProcess(process);
}

} // namespace platform
