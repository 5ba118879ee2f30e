#include "platform/Window.h"

#include "platform/Clock.h"
#include "platform/Resources.h"
#include "platform/posix/OwnWindow.h"
#include "platform/posix/X11Backend.h"

#include <cstring>
#include <memory>

namespace platform {

namespace {

// Windows live as long as the process, as on Win32 where the launcher never
// destroys its dialog. Main thread only.
std::vector<std::unique_ptr<OwnWindow>>& OwnWindows()
{
    static std::vector<std::unique_ptr<OwnWindow>> windows;
    return windows;
}

// Headless windows need handles of their own; without a display no X id can clash.
uintptr_t nextHeadlessHandle = 1;

// How long the first pump after showing a window waits for its first Expose.
constexpr uint32_t kFirstExposeWaitMs = 200;

constexpr int kHeadlessScreenWidth = 640;
constexpr int kHeadlessScreenHeight = 480;

void Resize(OwnWindow& window, int width, int height)
{
    window.width = width > 0 ? width : 0;
    window.height = height > 0 ? height : 0;
    // The new client area is black; its pixels are made when it is painted.
    window.pixels.clear();
}

// Size from a classic dialog template: style, extended style, item count,
// then x, y, cx, cy in dialog units. The base units are those of an
// 8-point dialog font (6 x 13 pixels).
bool TemplateSize(int templateId, int* width, int* height)
{
    size_t size = 0;
    const auto* bytes = static_cast<const unsigned char*>(
        LockModuleResource(nullptr, ResourceId(templateId), kResourceTypeDialog, &size));
    if (bytes == nullptr || size < 18)
        return false;
    int16_t cx = 0, cy = 0;
    std::memcpy(&cx, bytes + 14, 2);
    std::memcpy(&cy, bytes + 16, 2);
    *width = cx * 6 / 4;
    *height = cy * 13 / 8;
    return true;
}

void Dispatch(OwnWindow& window, uint32_t message, uintptr_t wParam)
{
    if (window.procedure != nullptr)
        window.procedure(window.handle, message, wParam, 0);
}

OwnWindow* FindByXWindow(unsigned long xWindow)
{
    for (auto& window : OwnWindows()) {
        if (window->xWindow == xWindow && xWindow != 0)
            return window.get();
    }
    return nullptr;
}

} // namespace

OwnWindow* FindOwnWindow(WindowHandle handle)
{
    for (auto& window : OwnWindows()) {
        if (window->handle == handle && handle != nullptr)
            return window.get();
    }
    return nullptr;
}

WindowHandle CreateModelessDialog(int templateId, DialogProc procedure, intptr_t parameter)
{
    int width = 0, height = 0;
    if (!TemplateSize(templateId, &width, &height))
        return nullptr;
    auto window = std::make_unique<OwnWindow>();
    window->procedure = procedure;
    Resize(*window, width, height);
    if (x11::HasDisplay()) {
        window->xWindow = x11::CreateSplashWindow(0, 0, width, height);
        if (window->xWindow == 0)
            return nullptr;
        window->handle = reinterpret_cast<WindowHandle>(window->xWindow);
    } else {
        window->handle = reinterpret_cast<WindowHandle>(nextHeadlessHandle++);
    }
    OwnWindow& created = *window;
    OwnWindows().push_back(std::move(window));
    if (procedure != nullptr)
        procedure(created.handle, kMessageInitDialog, 0, parameter);
    return created.handle;
}

void EndModelessDialog(WindowHandle dialog, intptr_t)
{
    OwnWindow* window = FindOwnWindow(dialog);
    if (window == nullptr)
        return;
    window->shown = false;
    window->paintPending = false;
    window->awaitingFirstExpose = false;
    x11::Hide(window->xWindow);
}

bool MoveWindowTo(WindowHandle handle, int x, int y, int width, int height, bool repaint)
{
    OwnWindow* window = FindOwnWindow(handle);
    if (window == nullptr)
        return false;
    window->x = x;
    window->y = y;
    Resize(*window, width, height);
    x11::MoveResize(window->xWindow, x, y, window->width, window->height);
    if (repaint && window->shown)
        window->paintPending = true;
    return true;
}

bool GetWindowBounds(WindowHandle handle, WindowRect* bounds)
{
    const OwnWindow* window = FindOwnWindow(handle);
    if (window == nullptr || bounds == nullptr)
        return false;
    *bounds = WindowRect{window->x, window->y, window->x + window->width, window->y + window->height};
    return true;
}

bool PlaceWindow(WindowHandle handle, InsertAfter after, int x, int y, int width, int height, uint32_t flags)
{
    OwnWindow* window = FindOwnWindow(handle);
    if (window == nullptr)
        return false;
    window->x = x;
    window->y = y;
    if ((flags & kPositionNoSize) == 0)
        Resize(*window, width, height);
    x11::MoveResize(window->xWindow, window->x, window->y, window->width, window->height);
    if (after == InsertAfter::TopMost)
        x11::KeepAbove(window->xWindow);
    if ((flags & kPositionShowWindow) != 0 && !window->shown) {
        window->shown = true;
        // A headless window paints in the next pump; an X window when it is exposed.
        window->paintPending = window->xWindow == 0;
        window->awaitingFirstExpose = window->xWindow != 0;
        x11::Show(window->xWindow);
    }
    return true;
}

int ScreenWidth()
{
    return x11::HasDisplay() ? x11::ScreenWidth() : kHeadlessScreenWidth;
}

int ScreenHeight()
{
    return x11::HasDisplay() ? x11::ScreenHeight() : kHeadlessScreenHeight;
}

namespace {

void HandlePendingEvents()
{
    x11::Event event{};
    while (x11::NextEvent(&event)) {
        OwnWindow* window = FindByXWindow(event.window);
        if (window == nullptr)
            continue;
        switch (event.kind) {
        case x11::Event::kExpose:
            window->awaitingFirstExpose = false;
            if (window->shown)
                window->paintPending = true;
            break;
        case x11::Event::kFocusIn:
            window->hadFocus = true;
            break;
        case x11::Event::kFocusOut:
            if (window->hadFocus && window->shown)
                Dispatch(*window, kMessageKillFocus, 0);
            break;
        case x11::Event::kCancel:
            Dispatch(*window, kMessageCommand, kCommandCancel);
            break;
        case x11::Event::kOther:
            break;
        }
    }
}

bool AnyAwaitingFirstExpose()
{
    for (const auto& window : OwnWindows()) {
        if (window->awaitingFirstExpose)
            return true;
    }
    return false;
}

// On Win32 a window just shown has its first paint waiting for the next pump;
// an X window can only be painted once the server has mapped it and sent its
// Expose. So the first pump after showing waits for that Expose, a bounded
// time, instead of leaving the first paint to a later pass of the caller's loop.
void WaitForFirstExposes()
{
    const uint32_t start = MillisecondClock();
    while (AnyAwaitingFirstExpose()) {
        const uint32_t waited = MillisecondClock() - start;
        if (waited >= kFirstExposeWaitMs || !x11::WaitForEvents(static_cast<int>(kFirstExposeWaitMs - waited))) {
            for (auto& window : OwnWindows())
                window->awaitingFirstExpose = false;
            return;
        }
        HandlePendingEvents();
    }
}

} // namespace

void PumpWindowMessages()
{
    HandlePendingEvents();
    WaitForFirstExposes();
    // As on Win32, the paint comes once the other messages are handled.
    for (size_t i = 0; i < OwnWindows().size(); ++i) {
        OwnWindow& window = *OwnWindows()[i];
        if (window.closeRequested) {
            window.closeRequested = false;
            Dispatch(window, kMessageCommand, kCommandCancel);
        }
        if (window.paintPending && window.shown) {
            window.paintPending = false;
            Dispatch(window, kMessagePaint, 0);
        }
    }
}

void WaitForWindowMessages(uint32_t milliseconds)
{
    // The splash needs no faster answer than the next pass; nobody here waits for readiness.
    SleepMilliseconds(milliseconds);
}

bool IsWindowShown(WindowHandle handle)
{
    const OwnWindow* window = FindOwnWindow(handle);
    return window != nullptr ? window->shown : x11::IsMapped(reinterpret_cast<uintptr_t>(handle));
}

} // namespace platform
