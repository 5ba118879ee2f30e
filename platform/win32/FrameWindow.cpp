#include "platform/FrameWindow.h"

#include <windows.h>

namespace platform {

namespace {

LRESULT CALLBACK FrameProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

WindowHandle CreateFrameWindow(const char* className, const char* title)
{
    WNDCLASSA frameClass{};
    frameClass.lpfnWndProc = FrameProcedure;
    frameClass.hInstance = GetModuleHandleA(nullptr);
    frameClass.lpszClassName = className;
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassA(&frameClass); // A second registration of the class fails harmlessly.
    HWND window = CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 320, 200, nullptr,
                                  nullptr, frameClass.hInstance, nullptr);
    return reinterpret_cast<WindowHandle>(window);
}

void MinimizeWindow(WindowHandle window)
{
    ShowWindow(reinterpret_cast<HWND>(window), SW_MINIMIZE);
}

void DestroyFrameWindow(WindowHandle window)
{
    if (window != nullptr)
        DestroyWindow(reinterpret_cast<HWND>(window));
}

} // namespace platform
