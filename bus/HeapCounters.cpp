#include "bus/HeapCounters.h"

#include "platform/LockCallCounter.h"

#include <array>
#include <atomic>
#include <cstddef>

namespace {
constexpr size_t costKinds = static_cast<size_t>(HeapCost::LockSleep) + 1;
std::array<std::atomic<uint64_t>, costKinds> counts{};

uint64_t Count(HeapCost cost)
{
    return counts[static_cast<size_t>(cost)].load(std::memory_order_relaxed);
}
} // namespace

HeapCounters heapCountersNow()
{
    return {Count(HeapCost::SegmentCreated), Count(HeapCost::SegmentOpened), Count(HeapCost::View),
            Count(HeapCost::Unmap),          Count(HeapCost::MutexAcquired), Count(HeapCost::LockSleep),
            platform::LockCallsMade()};
}

HeapCounters operator-(const HeapCounters& later, const HeapCounters& earlier)
{
    return {later.segmentsCreated - earlier.segmentsCreated,
            later.segmentsOpened - earlier.segmentsOpened,
            later.views - earlier.views,
            later.unmaps - earlier.unmaps,
            later.mutexAcquisitions - earlier.mutexAcquisitions,
            later.lockSleeps - earlier.lockSleeps,
            later.flockCalls - earlier.flockCalls};
}

void heapCount(HeapCost cost)
{
    counts[static_cast<size_t>(cost)].fetch_add(1, std::memory_order_relaxed);
}
