#pragma once

#include "bus/COProcDispatcher.h"

#include <cstdint>

// The spin lock in the header of every shared block: the lock word is -1
// while free and 0 or more while held. A taker increments it and holds the
// lock when the result is 0; otherwise it decrements it again and waits. Any
// process attached to the bus may take it, every peer in the same steps.
// Holders keep a block for well under a microsecond and, wherever they can,
// not across a system call, so a waiter spins about ten microseconds before it
// falls back to polling every 10 ms.
//
// While it holds the lock, a taker of ours records itself (LockHolder) in the
// header's reserved word, and clears it before it lets go. A waiter that has
// waited far longer than any holder keeps a lock (100 ms) asks whether the
// recorded holder still runs; only when it has ended does the waiter take the
// lock over, by swapping the holder's word for its own, and then it runs the
// site's repair (DeadHolderRepair) before it uses the block. A live holder is
// never taken over, and a lock whose holder recorded nothing (a peer that does
// not record, or a holder that died between taking and recording) is waited
// for as before. Two instants leave a lock unrecorded although one of ours
// held it: a holder killed between taking the lock word and recording itself,
// or between clearing its record and letting the word go. Such a lock is
// waited for like a foreign holder's: recording can only come after taking,
// and clearing only before letting go, or a waiter could take over a lock
// that a live process holds.
//
// A word below -1 is damage that increments would never bring back to 0: the
// next taker takes it over as held.
class SharedSpinLock {
public:
    using Header = COProcDispatcher::Header;
    // Makes whole what a dead holder left half-done in the block.
    using Repair = void (*)(Header& header);

    // Waits for the lock; with a timeout in milliseconds (0: none) gives up
    // and returns false once it has passed.
    static bool Lock(Header& header, int timeoutMs = 0, Repair repair = nullptr);
    static void Unlock(Header& header);

    // This process's waits so far, for the bus's tests and tools.
    struct Waits {
        uint32_t longestMs;         // the longest wait for any lock
        uint32_t takeovers;         // locks taken over from a dead holder
        uint32_t longestTakeoverMs; // the longest wait that ended in a takeover
    };
    static Waits WaitsSoFar();

private:
    static bool TakeOverIfGone(Header& header, int32_t holder, uint64_t firstSeenMs);
    static void Taken(Header& header);
};
