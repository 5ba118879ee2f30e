#pragma once

#include <cstdint>

// Velmora's entry: decides whether to run at all, shows the splash, serves
// the setup runtime through the executer and ends once the splash is closed
// and no setup client is active. Returns the exit code: 0, or 1 when started
// for the autorun while a product program runs.
int LauncherMain(char* commandLine);

// The checks before anything is shown: upper-cases the command line in place;
// true with *exitCode set when the launcher must end at once (a product
// program runs for an autorun start, or a setup window already exists, which
// is then restored and brought to the front).
bool EndsBeforeStart(char* commandLine, int* exitCode);

// The platform test and the 799-character copy of the command line.
void PrepareLauncherState(const char* upperCasedCommandLine);

// Runs the splash close sequence when more than 20 seconds have passed since
// startTime; both are unsigned 32-bit milliseconds, so the clock may wrap.
void CloseSplashAfterTimeLimit(uint32_t startTime, uint32_t now);
