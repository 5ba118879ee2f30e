#pragma once

#include "platform/Window.h"

namespace platform {

// A plain top-level frame window of a given class and title: the main
// window a setup runtime shows, which the launcher's single-instance rule
// looks for. Null when no window can be made (on POSIX: no display).
WindowHandle CreateFrameWindow(const char* className, const char* title);
void MinimizeWindow(WindowHandle window);
void DestroyFrameWindow(WindowHandle window);

} // namespace platform
