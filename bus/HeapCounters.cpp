#include "bus/HeapCounters.h"

#include <atomic>

namespace {
std::atomic<uint64_t> created{0};
std::atomic<uint64_t> opened{0};
std::atomic<uint64_t> views{0};
std::atomic<uint64_t> unmaps{0};
std::atomic<uint64_t> mutexAcquisitions{0};
std::atomic<uint64_t> lockSleeps{0};
} // namespace

HeapCounters heapCountersNow()
{
    HeapCounters now;
    now.segmentsCreated = created.load(std::memory_order_relaxed);
    now.segmentsOpened = opened.load(std::memory_order_relaxed);
    now.views = views.load(std::memory_order_relaxed);
    now.unmaps = unmaps.load(std::memory_order_relaxed);
    now.mutexAcquisitions = mutexAcquisitions.load(std::memory_order_relaxed);
    now.lockSleeps = lockSleeps.load(std::memory_order_relaxed);
    return now;
}

HeapCounters operator-(const HeapCounters& later, const HeapCounters& earlier)
{
    HeapCounters difference;
    difference.segmentsCreated = later.segmentsCreated - earlier.segmentsCreated;
    difference.segmentsOpened = later.segmentsOpened - earlier.segmentsOpened;
    difference.views = later.views - earlier.views;
    difference.unmaps = later.unmaps - earlier.unmaps;
    difference.mutexAcquisitions = later.mutexAcquisitions - earlier.mutexAcquisitions;
    difference.lockSleeps = later.lockSleeps - earlier.lockSleeps;
    return difference;
}

void heapCount(HeapCost cost)
{
    switch (cost) {
    case HeapCost::SegmentCreated:
        created.fetch_add(1, std::memory_order_relaxed);
        break;
    case HeapCost::SegmentOpened:
        opened.fetch_add(1, std::memory_order_relaxed);
        break;
    case HeapCost::View:
        views.fetch_add(1, std::memory_order_relaxed);
        break;
    case HeapCost::Unmap:
        unmaps.fetch_add(1, std::memory_order_relaxed);
        break;
    case HeapCost::MutexAcquired:
        mutexAcquisitions.fetch_add(1, std::memory_order_relaxed);
        break;
    case HeapCost::LockSleep:
        lockSleeps.fetch_add(1, std::memory_order_relaxed);
        break;
    }
}
