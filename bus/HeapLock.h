#pragma once

#include "bus/HeapCounters.h"
#include "platform/NamedMutex.h"

// Holds a heap's named mutex for one scope and counts the acquisition.
class HeapLock {
public:
    explicit HeapLock(platform::NamedMutex& mutex) : mutex(mutex)
    {
        mutex.Lock();
        heapCount(HeapCost::MutexAcquired);
    }
    ~HeapLock() { mutex.Unlock(); }
    HeapLock(const HeapLock&) = delete;
    HeapLock& operator=(const HeapLock&) = delete;

private:
    platform::NamedMutex& mutex;
};
