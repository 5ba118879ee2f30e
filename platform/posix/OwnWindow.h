#pragma once

#include "platform/Window.h"

#include <cstdint>
#include <vector>

namespace platform {

// A window of this process on POSIX: an X window, or a headless one when
// there is no display. Its client area is kept as 0x00RRGGBB pixels, painted
// by StretchDibToDevice and copied to the screen at the end of a paint.
struct OwnWindow {
    WindowHandle handle = nullptr;
    unsigned long xWindow = 0;
    DialogProc procedure = nullptr;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool shown = false;
    bool hadFocus = false;
    bool paintPending = false;
    // A close request for a headless window, delivered by the next pump.
    bool closeRequested = false;
    std::vector<uint32_t> pixels;
};

// The window of this process behind a handle; null for any other.
OwnWindow* FindOwnWindow(WindowHandle handle);

} // namespace platform
