#pragma once

#include <cstdint>

namespace platform {

// The waiting and ending that ChildProcess and PipedChild share. process is
// the child's process handle, -1 once it has been closed.

// Waits up to timeoutMs for the child's end; true once it ended, with its
// exit code, the handle then closed.
bool WaitForChild(intptr_t& process, uint32_t timeoutMs, int* exitCode);

// Ends the child at once (TerminateProcess), waits for its end and closes
// the handle.
void KillChild(intptr_t& process);

} // namespace platform
