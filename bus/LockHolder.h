#pragma once

#include <cstdint>

// Who holds a block's spin lock: the word a taker writes into the header's
// reserved field while it holds the lock, and clears before it lets go. The
// same word in a queue-table entry names the queue's owner. Programs that
// know nothing of it leave the field 0, which names nobody.
//
// The word is the process id (below 2^22, as every Linux id is) with the low
// ten bits of its start time in 10 ms units above it. A waiter judges a
// holder gone when no process runs under the id, when the one that does has
// other start bits, or when it started after the waiter first saw the lock
// held (by more than a minute, for clocks that are set back): an id handed
// to a later process does not pass for the holder. A
// process whose id does not fit records nothing and is waited for as before.
class LockHolder {
public:
    // This process's word; 0 when it has none.
    static int32_t Own();
    // True only when the process the word names has certainly ended.
    // firstSeenMs is when the caller first saw the word (ProcessClockNowMs).
    static bool IsGone(int32_t word, uint64_t firstSeenMs);
    static uint32_t ProcessId(int32_t word) { return static_cast<uint32_t>(word) & idMask; }

private:
    static constexpr uint32_t idBits = 22;
    static constexpr uint32_t idMask = (1U << idBits) - 1;
    static int32_t WordFor(uint32_t processId, uint64_t startMs);
};
