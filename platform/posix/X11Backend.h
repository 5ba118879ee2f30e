#pragma once

#include <cstdint>

// The X11 side of the POSIX windows, without X11 types, so that the platform
// library also builds (headless) where Xlib is missing. Windows are X ids;
// 0 means none. Every function is a no-op (or reports nothing) without a
// display.
namespace platform::x11 {

// Opens the process's one connection on first use; false when there is no
// display (no DISPLAY, or it does not open).
bool HasDisplay();
int ScreenWidth();
int ScreenHeight();

// An undecorated top-level window that does not take the focus when mapped.
unsigned long CreateSplashWindow(int x, int y, int width, int height);
// A normal top-level window with WM_CLASS class and WM_NAME title.
unsigned long CreateFrame(const char* className, const char* title);
void DestroyWindow(unsigned long window);
void MoveResize(unsigned long window, int x, int y, int width, int height);
void KeepAbove(unsigned long window);
void Show(unsigned long window);
void Hide(unsigned long window);
void Iconify(unsigned long window);
void PutPixels(unsigned long window, const uint32_t* pixels, int width, int height);

struct Event {
    enum Kind { kOther, kExpose, kFocusIn, kFocusOut, kCancel } kind;
    unsigned long window;
};
// Waits at most that long for an event; true when one is pending.
bool WaitForEvents(int milliseconds);
// The next pending event, without waiting; false when none is pending.
bool NextEvent(Event* event);

unsigned long FindTopLevel(const char* className, const char* title);
bool IsMapped(unsigned long window);
void Restore(unsigned long window);
void Activate(unsigned long window);
bool HasFocus(unsigned long window);
// Sends the window manager's delete request (WM_DELETE_WINDOW) to the window.
void RequestClose(unsigned long window);

} // namespace platform::x11
