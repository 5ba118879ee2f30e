#pragma once

#include "bus/COProcDispatcher.h"

// What a holder that died can leave half-done under each lock of the bus, and
// how the process that takes the lock over makes it whole before using the
// block. Each function runs with the lock taken over and held.
//
// Data blocks need none: their creator is the only process that locks one,
// while it writes the bytes, and a block dies with its creator.
class DeadHolderRepair {
public:
    using Header = COProcDispatcher::Header;

    // The queue table. Its holders write single words: an entry's owner word,
    // then its queue id, when registering; both back to 0 when leaving or when
    // clearing an entry whose queue is gone. A holder can leave an owner word
    // without a queue id (a free entry with a stale owner), or its creator a
    // table whose count it had not written. The taker clears the owner words
    // of free entries, clears entries whose id cannot be a queue, and puts the
    // count back to the table's size.
    static void Table(Header& header);

    // A queue block, under any of its lockers:
    // - a sender writes an event's slot with the event code last, so a slot
    //   whose code is not 0 is whole; it may leave a free slot holding parts
    //   of an event, or a link (nextId) to a block it had just made;
    // - the owner moves slots towards the front while draining, and may leave
    //   a hole between events or an event twice, and a link half set;
    // - the creator of a new block may die before its fields are written.
    // The taker packs the occupied slots to the front in their order and
    // zeroes the rest, and cuts a link that cannot name a block. A block whose
    // size does not match its capacity is left to the walks, which check
    // every block before use and cut what does not fit. An event the owner
    // had copied twice stays twice only in a queue whose owner has died, which
    // nobody reads again.
    static void Block(Header& header);
};
