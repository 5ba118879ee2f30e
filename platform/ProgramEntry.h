#pragma once

// The program's own entry, called by the platform's start-up code with the
// command line after the program name (writable, zero-terminated) and the
// Win32 show mode. Its result is the exit code. Defined by the program.
int ProgramMain(char* commandLine, int showMode);
