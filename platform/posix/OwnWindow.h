#pragma once

#include "platform/Window.h"

#include <cstddef>
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
    // Shown on the display and not yet exposed there: the next pump waits for it.
    bool awaitingFirstExpose = false;
    // A close request for a headless window, delivered by the next pump.
    bool closeRequested = false;
    // Empty until the first paint after a resize: a client area that was
    // never painted reads as black without being stored.
    std::vector<uint32_t> pixels;

    // The client area's pixels, made (black) when there are none yet.
    uint32_t* ClientPixels()
    {
        const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
        if (pixels.size() != count)
            pixels.assign(count, 0);
        return pixels.data();
    }
};

// The window of this process behind a handle; null for any other.
OwnWindow* FindOwnWindow(WindowHandle handle);

} // namespace platform
