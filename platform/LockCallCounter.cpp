#include "platform/LockCallCounter.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<uint64_t> lockCalls{0};
} // namespace

uint64_t LockCallsMade()
{
    return lockCalls.load(std::memory_order_relaxed);
}

void CountLockCall()
{
    lockCalls.fetch_add(1, std::memory_order_relaxed);
}

} // namespace platform
