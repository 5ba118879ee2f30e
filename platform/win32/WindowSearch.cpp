#include "platform/WindowSearch.h"

#include <windows.h>

namespace platform {

WindowHandle FindTopLevelWindow(const char* className, const char* title)
{
    return reinterpret_cast<WindowHandle>(FindWindowA(className, title));
}

bool IsWindowMinimized(WindowHandle window)
{
    return IsIconic(reinterpret_cast<HWND>(window)) != FALSE;
}

void RestoreWindow(WindowHandle window)
{
    ShowWindow(reinterpret_cast<HWND>(window), SW_RESTORE);
}

void BringWindowToFront(WindowHandle window)
{
    SetForegroundWindow(reinterpret_cast<HWND>(window));
}

void RequestWindowClose(WindowHandle window)
{
    PostMessageA(reinterpret_cast<HWND>(window), WM_CLOSE, 0, 0);
}

bool IsForegroundWindow(WindowHandle window)
{
    return window != nullptr && GetForegroundWindow() == reinterpret_cast<HWND>(window);
}

} // namespace platform
