#pragma once

#include "bus/COProcDispatcher.h"
#include "bus/ProcQueueLayout.h"

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

class FileMappingHeap;
class MappedSegment;
class OwnDataBlocks;
class OwnQueue;

// Putting events into any queue of the bus, this process's own included, for
// one dispatcher; only its thread calls this class, and it holds the queue
// table's lock across every Put.
//
// A put walks a queue's chain from its first block, holding each block's spin
// lock until it holds the next one's, and writes into the first free slot. A
// full chain grows by a block twice as large (up to the largest capacity),
// written and linked in under the last block's lock. A block a put chained on,
// wrote into or passed, reached through a link its owner has not attached, is
// held here (a view of our own keeps it alive) until its owner attaches it and
// so counts a reference: the chain behind it must not vanish with the sender
// that chained it on.
// Opening or creating a segment never happens while a block is locked: a walk
// that needs one lets go, does it first and walks again, a few times at most.
// Other queues' blocks are reached through the queue heap's kept views. A
// queue whose owner records itself in the table is known to live while its
// entry stays (the table's gone-owner check clears the entry of one that
// ended), so its first block is kept without asking the system each time;
// for one that records nothing the system is asked at each put.
class QueuePutter {
public:
    using EventQueueBlock = COProcDispatcher::EventQueueBlock;

    QueuePutter(FileMappingHeap& heap, const OwnQueue& own, OwnDataBlocks& data) : heap(heap), own(own), data(data) {}
    QueuePutter(const QueuePutter&) = delete;
    QueuePutter& operator=(const QueuePutter&) = delete;

    // Opens the first blocks of the table's queues that have no kept view yet,
    // before the table is locked, so that no other sender waits on it
    // meanwhile. The entries read here without the lock only tell what to open.
    void OpenQueuesAhead(COProcDispatcher::QueueArray& table);
    // False when the queue has vanished or is not a queue: its entry goes.
    // Sets `failed` when the event could not be put although the queue may
    // be fine (no segment could be had here and now). `owner` is the owner
    // word of the queue's table entry, 0 when unknown.
    bool Put(int32_t queueId, int32_t owner, COEvent* event, bool* failed);

    // Lets go of the held blocks their owners have attached.
    void ReleaseAttached();
    // Lets go of every held block once its owner attached it, waiting up to
    // ten seconds in all; and of the spare blocks.
    // A block whose queue's owner has ended is let go at once.
    void ReleaseAll(const std::function<bool(int32_t queueId)>& ownerGone);

private:
    // Where a walk stands: a locked block, with the kept view it came from
    // (null for a view of our own) and its usable capacity.
    struct Position {
        MappedSegment* record;
        EventQueueBlock* block;
        int32_t capacity;
    };
    enum class Walk { Put, Vanished, Retry, Failed };
    enum class Step { Moved, Retry, Grow };

    Walk WalkAndPut(int32_t queueId, int32_t owner, COEvent* event, bool mayRetry);
    bool OpenFirst(int32_t queueId, int32_t owner, Position* at, Walk* failure);
    bool PutInFreeSlot(Position& at, const COEvent& event, bool hold);
    Step StepToNext(Position& at, bool* hold, bool mayRetry);
    Position FindNext(int32_t nextId);
    Walk Grow(Position& at, const COEvent& event, bool mayRetry);
    void LeaveBlock(Position& at);
    void HoldPassedBlocks();
    void Hold(int32_t id, int32_t capacity);
    EventQueueBlock* ViewAtHand(int32_t id, int32_t* capacity) const;
    void KeepChainFrom(int32_t id);
    void AddSpareBlock(int32_t capacity);
    procqueue::BlockView TakeSpareBlock(int32_t capacity);

    FileMappingHeap& heap;
    const OwnQueue& own;
    OwnDataBlocks& data;
    // Blocks this process holds until their owners attach them.
    std::vector<procqueue::BlockView> held;
    // The queue each held block belongs to, by block id.
    std::unordered_map<int32_t, int32_t> heldFor;
    // Blocks created ahead of a grow, not yet linked anywhere.
    std::vector<procqueue::BlockView> spares;
    // Blocks a put has passed, so that a chain leading back into itself ends.
    std::vector<int32_t> walked;
    // Blocks the put passed that were reached through a link their owner has
    // not attached, to be held once it is done (views not yet mapped).
    std::vector<procqueue::BlockView> passedUnattached;
};
