#include "platform/Interrupt.h"

#include <windows.h>

#include <atomic>
#include <cstring>

namespace platform {

namespace {

std::atomic<int> interrupts{0};
int exitCount = 2;
int exitStatus = 130;
const char* farewellText = nullptr;

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
        return FALSE;
    }
    if (interrupts.fetch_add(1) + 1 >= exitCount) {
        if (farewellText != nullptr) {
            DWORD written = 0;
            WriteFile(GetStdHandle(STD_ERROR_HANDLE), farewellText, static_cast<DWORD>(std::strlen(farewellText)),
                      &written, nullptr);
        }
        ExitProcess(static_cast<UINT>(exitStatus));
    }
    return TRUE;
}

} // namespace

void CatchInterrupts(int exitAtCount, int exitCode, const char* farewell)
{
    exitCount = exitAtCount;
    exitStatus = exitCode;
    farewellText = farewell;
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

int InterruptCount()
{
    return interrupts.load();
}

} // namespace platform
