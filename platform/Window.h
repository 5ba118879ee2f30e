#pragma once

#include <cstdint>

namespace platform {

// A top-level window: the launcher's own dialogs and windows of other programs
// found by WindowSearch.
struct WindowTag;
using WindowHandle = WindowTag*;

// A dialog procedure as Win32 calls it: returns nonzero when it handled the message.
using DialogProc = intptr_t (*)(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// The few messages the launcher's dialog handles, with their Win32 values.
constexpr uint32_t kMessageKillFocus = 0x0008;
constexpr uint32_t kMessagePaint = 0x000F;
constexpr uint32_t kMessageInitDialog = 0x0110;
constexpr uint32_t kMessageCommand = 0x0111;
constexpr uintptr_t kCommandCancel = 2;

// SetWindowPos flags and insert-after positions with their Win32 values.
constexpr uint32_t kPositionNoSize = 0x0001;
constexpr uint32_t kPositionNoActivate = 0x0010;
constexpr uint32_t kPositionShowWindow = 0x0040;
enum class InsertAfter { Top, TopMost };

struct WindowRect {
    int left;
    int top;
    int right;
    int bottom;
};

// A modeless dialog from the executable's dialog template templateId
// (CreateDialogParamA with a null module and no parent). The procedure gets
// its init message before this returns. Null when the dialog cannot be made.
// On POSIX without a display the dialog is headless: it has a size and
// position and gets its messages, but nothing is drawn on a screen.
WindowHandle CreateModelessDialog(int templateId, DialogProc procedure, intptr_t parameter);

// Ends a modeless dialog: hides it; the window itself stays (EndDialog).
void EndModelessDialog(WindowHandle dialog, intptr_t result);

bool MoveWindowTo(WindowHandle window, int x, int y, int width, int height, bool repaint);
bool GetWindowBounds(WindowHandle window, WindowRect* bounds);
bool PlaceWindow(WindowHandle window, InsertAfter after, int x, int y, int width, int height, uint32_t flags);

// The primary screen's size in pixels (SM_CXSCREEN, SM_CYSCREEN); on POSIX
// without a display the 640 x 480 the headless dialogs are placed on.
int ScreenWidth();
int ScreenHeight();

// Delivers every pending window message of this thread to its window
// (PeekMessageA without removing, then GetMessageA, TranslateMessage,
// DispatchMessageA, until none is left). A quit message is delivered like
// any other and does not stop anything.
void PumpWindowMessages();

// Waits until a window message arrives or the time has passed. Waiting on
// the queue also tells a starter that waits for this program to be ready for
// input (WinExec does) that it may go on.
void WaitForWindowMessages(uint32_t milliseconds);

// True while the dialog is shown (not ended and made visible).
bool IsWindowShown(WindowHandle window);

} // namespace platform
