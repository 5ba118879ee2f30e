#include "launcher/Splash.h"

#include "launcher/Dib.h"
#include "launcher/DibHeader.h"
#include "launcher/LauncherState.h"
#include "launcher/SetupRuntime.h"
#include "platform/Painting.h"
#include "platform/Resources.h"

namespace {

constexpr uint32_t kShowWithoutActivating =
    platform::kPositionNoSize | platform::kPositionNoActivate | platform::kPositionShowWindow;

// Centre of the primary screen for the window's current size.
void CentreSplash(int* x, int* y)
{
    platform::WindowRect bounds{};
    platform::GetWindowBounds(launcherState.splashWindow, &bounds);
    *x = (platform::ScreenWidth() + bounds.left - bounds.right) / 2;
    *y = (platform::ScreenHeight() + bounds.top - bounds.bottom) / 2;
}

void InitialiseSplash(platform::WindowHandle window)
{
    // The dialog procedure runs inside the creation call, before its handle is stored.
    launcherState.splashWindow = window;
    launcherState.splashDib = DibOpenFromModule(platform::ResourceId(kSplashBitmapId), nullptr);
    if (launcherState.splashDib != nullptr) {
        launcherState.splashPalette = DibCreatePalette(launcherState.splashDib);
        const DibHeader header = DibHeader::Load(launcherState.splashDib);
        platform::MoveWindowTo(window, 0, 0, header.width, header.height, false);
    }
    int x = 0, y = 0;
    CentreSplash(&x, &y);
    platform::PlaceWindow(window, platform::InsertAfter::TopMost, x, y, 0, 0, kShowWithoutActivating);
}

void PaintSplash(platform::WindowHandle window)
{
    platform::DeviceContext dc = platform::BeginWindowPaint(window);
    platform::SelectPaletteForeground(dc, launcherState.splashPalette);
    platform::RealizeSelectedPalette(dc);
    DIBPaint(launcherState.splashDib, dc, 0, 0);
    platform::EndWindowPaint(window, dc);
    StartSetupRuntime();
}

} // namespace

bool CreateSplash()
{
    launcherState.splashWindow = platform::CreateModelessDialog(kSplashDialogId, SplashDialogProc, 0);
    int x = 0, y = 0;
    CentreSplash(&x, &y);
    return platform::PlaceWindow(launcherState.splashWindow, platform::InsertAfter::Top, x, y, 0, 0,
                                 kShowWithoutActivating);
}

intptr_t SplashDialogProc(platform::WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t)
{
    switch (message) {
    case platform::kMessageInitDialog:
        InitialiseSplash(window);
        return 1;
    case platform::kMessagePaint:
        PaintSplash(window);
        return 1;
    case platform::kMessageKillFocus:
        CloseSplash();
        return 1;
    case platform::kMessageCommand:
        if (wParam == platform::kCommandCancel)
            CloseSplash();
        return 1;
    default:
        return 0;
    }
}

void CloseSplash()
{
    if (!launcherState.splashShown)
        return;
    platform::EndModelessDialog(launcherState.splashWindow, 1);
    platform::DeletePalette(launcherState.splashPalette);
    DibFree(launcherState.splashDib);
    launcherState.splashPalette = nullptr;
    launcherState.splashDib = nullptr;
    launcherState.splashShown = 0;
}
