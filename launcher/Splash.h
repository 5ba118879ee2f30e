#pragma once

#include "platform/Window.h"

#include <cstdint>

// The splash: a modeless, borderless dialog (template 103) painted with
// bitmap 102 through a palette made from it, centred on the screen and kept
// above other windows. Its first paint starts the setup runtime. It closes
// once, on the user's cancel, on losing the focus, or at the entry's time
// limit; the window is then hidden, never destroyed. Main thread only.

constexpr int kSplashDialogId = 103;
constexpr int kSplashBitmapId = 102;

// Creates and shows the splash without activating it; the result of the
// final positioning call.
bool CreateSplash();

intptr_t SplashDialogProc(platform::WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Hides the splash and releases its palette and bitmap; only the first call acts.
void CloseSplash();
