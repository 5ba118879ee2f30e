#pragma once

#include <cstdint>

namespace platform {

// The waiting and ending that ChildProcess and PipedChild share. process is
// the child's process id, -1 once the child has been reaped.

// Waits up to timeoutMs for the child's end; true once it ended, with its
// exit code (128 plus the signal for one ended by a signal), process then -1.
bool WaitForChild(intptr_t& process, uint32_t timeoutMs, int* exitCode);

// Ends the child at once (SIGKILL) and reaps it; process becomes -1.
void KillChild(intptr_t& process);

} // namespace platform
