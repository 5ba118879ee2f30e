#pragma once

#include "platform/Export.h"

#include <cstdint>

// What the shared-memory heaps of this process have cost so far: kernel
// objects made and opened, views mapped and released, heap mutex acquisitions
// (a re-entrant acquisition counts too), and the advisory lock calls behind
// segments and named mutexes. Benchmarks read the difference over a run; the
// counters are never reset.
struct HeapCounters {
    uint64_t segmentsCreated = 0;
    uint64_t segmentsOpened = 0; // existing segments a view was opened on
    uint64_t views = 0;          // successful maps, created or opened
    uint64_t unmaps = 0;
    uint64_t mutexAcquisitions = 0;
    uint64_t lockSleeps = 0; // 10 ms waits of a shared spin lock
    // flock calls of the whole process (Linux); always 0 on Windows, where
    // segments and mutexes are kernel objects that need no such locks.
    uint64_t flockCalls = 0;
};

VELMORA_API HeapCounters heapCountersNow();

VELMORA_API HeapCounters operator-(const HeapCounters& later, const HeapCounters& earlier);

// Called by the heaps and the shared spin locks.
enum class HeapCost { SegmentCreated, SegmentOpened, View, Unmap, MutexAcquired, LockSleep };
void heapCount(HeapCost cost);
