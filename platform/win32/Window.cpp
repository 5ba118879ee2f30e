#include "platform/Window.h"

#include <windows.h>

namespace platform {

namespace {

// The launcher shows one dialog at a time; its procedure is called through
// this trampoline, which gives it the platform's calling convention.
DialogProc currentProcedure = nullptr;

INT_PTR CALLBACK DialogTrampoline(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (currentProcedure == nullptr)
        return FALSE;
    return currentProcedure(reinterpret_cast<WindowHandle>(window), message, wParam, lParam);
}

HWND Native(WindowHandle window)
{
    return reinterpret_cast<HWND>(window);
}

} // namespace

WindowHandle CreateModelessDialog(int templateId, DialogProc procedure, intptr_t parameter)
{
    currentProcedure = procedure;
    HWND dialog = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(templateId), nullptr, DialogTrampoline, parameter);
    return reinterpret_cast<WindowHandle>(dialog);
}

void EndModelessDialog(WindowHandle dialog, intptr_t result)
{
    EndDialog(Native(dialog), result);
}

bool MoveWindowTo(WindowHandle window, int x, int y, int width, int height, bool repaint)
{
    return MoveWindow(Native(window), x, y, width, height, repaint ? TRUE : FALSE) != FALSE;
}

bool GetWindowBounds(WindowHandle window, WindowRect* bounds)
{
    RECT rect{};
    if (!GetWindowRect(Native(window), &rect))
        return false;
    *bounds = WindowRect{rect.left, rect.top, rect.right, rect.bottom};
    return true;
}

bool PlaceWindow(WindowHandle window, InsertAfter after, int x, int y, int width, int height, uint32_t flags)
{
    HWND insertAfter = after == InsertAfter::TopMost ? HWND_TOPMOST : HWND_TOP;
    return SetWindowPos(Native(window), insertAfter, x, y, width, height, flags) != FALSE;
}

int ScreenWidth()
{
    return GetSystemMetrics(SM_CXSCREEN);
}

int ScreenHeight()
{
    return GetSystemMetrics(SM_CYSCREEN);
}

void PumpWindowMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
        GetMessageA(&message, nullptr, 0, 0);
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void WaitForWindowMessages(uint32_t milliseconds)
{
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_ALLINPUT);
}

bool IsWindowShown(WindowHandle window)
{
    return IsWindowVisible(Native(window)) != FALSE;
}

} // namespace platform
