#pragma once

#include <cstdint>

namespace platform {

// Program start by command line. The first argument names the program; the
// started program inherits the environment and the current folder, is not
// waited for and receives no handle of ours beyond the standard ones. Both
// return true when the program was started.

// The role of WinExec: showMode is a Win32 SW_ value (no effect elsewhere).
bool StartProgramShown(const char* commandLine, int showMode);

// The role of CreateProcessA with no application name, the caller's own
// startup information, handles not inherited and a separate virtual DOS
// machine (CREATE_SEPARATE_WOW_VDM, meaningless outside Win32). The process
// and thread handles are not kept.
bool StartProgramProcess(char* commandLine);

// Starts a program and waits for its end, at most timeoutMilliseconds; a
// program still running then is ended (so that nothing is left behind).
// True with its exit code when it ended by itself.
bool RunProgramToEnd(const char* commandLine, uint32_t timeoutMilliseconds, int* exitCode);

} // namespace platform
