#include "foundation/AnimTime.h"

#include "platform/Clock.h"

#include <atomic>

namespace {
// A plain 32-bit value in the original; relaxed atomics keep the same cost
// while making cross-thread reads well defined.
std::atomic<uint32_t> frozenTime{0};
} // namespace

uint32_t animTimeGetTime()
{
    const uint32_t frozen = frozenTime.load(std::memory_order_relaxed);
    return frozen != 0 ? frozen : platform::MillisecondClock();
}

void animSetTime(uint32_t time)
{
    frozenTime.store(time, std::memory_order_relaxed);
}

void utilSleep(uint32_t milliseconds)
{
    platform::SleepMilliseconds(milliseconds);
}
