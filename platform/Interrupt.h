#pragma once

namespace platform {

// Ctrl-C (SIGINT, or the console's Ctrl-C and Ctrl-Break events) as a
// request the program polls for instead of the end of the process. From the
// interrupt number exitAtCount on, the process ends at once with exitCode,
// after writing farewell (may be null) to standard error.
void CatchInterrupts(int exitAtCount, int exitCode, const char* farewell);

// How many interrupts arrived since CatchInterrupts.
int InterruptCount();

} // namespace platform
