#include "platform/posix/X11Backend.h"

// The build found no Xlib: every window is headless.
namespace platform::x11 {

bool HasDisplay()
{
    return false;
}
int ScreenWidth()
{
    return 0;
}
int ScreenHeight()
{
    return 0;
}
unsigned long CreateSplashWindow(int, int, int, int)
{
    return 0;
}
unsigned long CreateFrame(const char*, const char*)
{
    return 0;
}
void DestroyWindow(unsigned long) {}
void MoveResize(unsigned long, int, int, int, int) {}
void KeepAbove(unsigned long) {}
void Show(unsigned long) {}
void Hide(unsigned long) {}
void Iconify(unsigned long) {}
void PutPixels(unsigned long, const uint32_t*, int, int) {}
bool WaitForEvents(int)
{
    return false;
}
bool NextEvent(Event*)
{
    return false;
}
unsigned long FindTopLevel(const char*, const char*)
{
    return 0;
}
bool IsMapped(unsigned long)
{
    return false;
}
void Restore(unsigned long) {}
void Activate(unsigned long) {}
bool HasFocus(unsigned long)
{
    return false;
}

void RequestClose(unsigned long) {}

} // namespace platform::x11
