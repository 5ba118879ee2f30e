#pragma once

#include "platform/Painting.h"
#include "platform/Window.h"

#include <cstdint>

// The launcher's process-wide state: one instance, shared by the entry and the
// splash, touched only on the main thread, so it needs no lock.
struct LauncherState {
    bool isNT = false;
    // Cleared once, by the splash close sequence.
    int32_t splashShown = 1;
    // Cleared by the first StartSetupRuntime, so the runtime starts only once.
    int32_t runtimeStartPending = 1;
    // The upper-cased command line, cut to 799 characters, always zero-terminated.
    char commandLine[800] = {};
    platform::WindowHandle splashWindow = nullptr;
    platform::PaletteHandle splashPalette = nullptr;
    uint8_t* splashDib = nullptr;
};

extern LauncherState launcherState;

// The count of active setup clients: 1 at start on NT, 0 elsewhere; raised and
// lowered by the executer's events, never clamped. Main thread only.
extern int32_t activeClients;
