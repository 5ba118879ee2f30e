#pragma once

#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary start, wrapping like an unsigned 32-bit
// counter (the multimedia clock on Windows, a monotonic clock elsewhere).
uint32_t MillisecondClock();

// Suspends the calling thread for the given number of milliseconds.
void SleepMilliseconds(uint32_t milliseconds);

} // namespace platform
