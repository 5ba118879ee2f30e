#pragma once

#include <cstdint>

namespace platform {

// How many advisory file-lock calls (flock) this process has made so far,
// counted beside every call that shared segments and named mutexes make, and
// never reset: benchmarks read the difference over a run. Windows segments
// and mutexes need no such calls, so there the count stays 0.
uint64_t LockCallsMade();

// Books one call; a single relaxed increment, cheap beside the system call.
void CountLockCall();

} // namespace platform
