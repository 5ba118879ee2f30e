#include "platform/FrameWindow.h"

#include "platform/posix/X11Backend.h"

#include <cstdint>

namespace platform {

WindowHandle CreateFrameWindow(const char* className, const char* title)
{
    return reinterpret_cast<WindowHandle>(static_cast<uintptr_t>(x11::CreateFrame(className, title)));
}

void MinimizeWindow(WindowHandle window)
{
    x11::Iconify(static_cast<unsigned long>(reinterpret_cast<uintptr_t>(window)));
}

void DestroyFrameWindow(WindowHandle window)
{
    if (window != nullptr)
        x11::DestroyWindow(static_cast<unsigned long>(reinterpret_cast<uintptr_t>(window)));
}

} // namespace platform
