#pragma once

#include "platform/Window.h"

namespace platform {

// The top-level window of the given class and title (FindWindowA); null when
// there is none. On X11 the class is WM_CLASS's class part and the title
// WM_NAME or _NET_WM_NAME.
WindowHandle FindTopLevelWindow(const char* className, const char* title);

bool IsWindowMinimized(WindowHandle window);
// ShowWindow with SW_RESTORE.
void RestoreWindow(WindowHandle window);
// SetForegroundWindow: raises the window and asks for it to become active.
void BringWindowToFront(WindowHandle window);
// Asks the window to close, as the user's close button does (WM_CLOSE, or
// the window manager's delete request on X11).
void RequestWindowClose(WindowHandle window);
// True when the window is the foreground (focused) window.
bool IsForegroundWindow(WindowHandle window);

} // namespace platform
