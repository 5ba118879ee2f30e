#pragma once

#include <cstdint>

// The spin lock in the header of every shared block: one 32-bit word that is
// -1 while free and 0 or more while held. A taker increments it and holds the
// lock when the result is 0; otherwise it decrements it again and waits. Any
// process attached to the bus may take it, every peer in the same steps.
// Holders keep a block for well under a microsecond and, wherever they can,
// not across a system call, so a waiter spins about ten microseconds before it
// falls back to polling every 10 ms.
//
// A word below -1 is damage that increments would never bring back to 0: the
// next taker takes it over as held. A holder that dies leaves the word held;
// nothing here can tell that apart from a slow holder.
class SharedSpinLock {
public:
    // Waits for the word; with a timeout in milliseconds (0: none) gives up
    // and returns false once it has passed.
    static bool Lock(int32_t& word, int timeoutMs = 0);
    static void Unlock(int32_t& word);
};
