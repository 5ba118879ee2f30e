#include "platform/WindowSearch.h"

#include "platform/posix/OwnWindow.h"
#include "platform/posix/X11Backend.h"

#include <cstdint>

namespace platform {

namespace {

unsigned long XWindowOf(WindowHandle window)
{
    return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(window));
}

} // namespace

WindowHandle FindTopLevelWindow(const char* className, const char* title)
{
    return reinterpret_cast<WindowHandle>(static_cast<uintptr_t>(x11::FindTopLevel(className, title)));
}

bool IsWindowMinimized(WindowHandle window)
{
    // An iconified top-level window is unmapped by its manager.
    return window != nullptr && !x11::IsMapped(XWindowOf(window));
}

void RestoreWindow(WindowHandle window)
{
    x11::Restore(XWindowOf(window));
}

void BringWindowToFront(WindowHandle window)
{
    x11::Activate(XWindowOf(window));
}

void RequestWindowClose(WindowHandle window)
{
    OwnWindow* own = FindOwnWindow(window);
    if (own != nullptr && own->xWindow == 0)
        own->closeRequested = true;
    else
        x11::RequestClose(XWindowOf(window));
}

bool IsForegroundWindow(WindowHandle window)
{
    return window != nullptr && x11::HasFocus(XWindowOf(window));
}

} // namespace platform
