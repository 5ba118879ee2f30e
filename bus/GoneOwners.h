#pragma once

#include "bus/COProcDispatcher.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

// The queue owners of a bus's table that have ended, told by the owner word
// each entry carries (LockHolder), without mapping their queues. Asking the
// system is a file read on Linux, so each owner is asked at most every 50 ms,
// and only outside the table's lock: Note reads the entries without it, and
// the locked walk then only looks its answers up. Only the dispatcher's own
// thread calls it.
class GoneOwners {
public:
    void Note(const COProcDispatcher::QueueArray& table);
    bool IsGone(int32_t owner) const;

private:
    struct Asked {
        uint64_t firstSeenMs;
        uint32_t lastAskedMs;
        bool gone;
    };
    std::unordered_map<int32_t, Asked> owners;
};
