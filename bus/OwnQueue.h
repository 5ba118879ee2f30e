#pragma once

#include "bus/COProcDispatcher.h"
#include "bus/ProcQueueLayout.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class FileMappingHeap;
class MappedSegment;

// The queue one dispatcher owns: a chain of blocks in the bus's queue heap.
// The first block is created here and mapped for the dispatcher's whole life;
// the blocks after it are created by senders that found the chain full, and
// attached here (nextBlock set non-zero, a reference taken) when a walk of the
// owner first reaches them. Only the owning dispatcher's thread calls this
// class; senders of every process write into the same blocks.
//
// Every block is read and changed under its header's spin lock, the blocks of
// the chain taken first to last, hand over hand, and each block stays packed:
// occupied slots first. Views are mapped and unmapped only while no lock is
// held, so no sender ever waits on a system call of ours: blocks chained on
// are mapped ahead, blocks cut off are released afterwards. Events come out
// in put order, one at a time or all at once in a single pass into the taken
// list; trailing empty blocks are cut off once the queue runs empty.
class OwnQueue {
public:
    using EventQueueBlock = COProcDispatcher::EventQueueBlock;

    explicit OwnQueue(FileMappingHeap& heap) : heap(heap) {}
    OwnQueue(const OwnQueue&) = delete;
    OwnQueue& operator=(const OwnQueue&) = delete;

    // Creates the first block; false when the heap could not.
    bool Create();
    EventQueueBlock* First() const { return chain.empty() ? nullptr : chain.front().block; }
    int32_t Id() const { return chain.empty() ? 0 : chain.front().id; }
    // This process's view of a block of the chain, or null.
    EventQueueBlock* ViewOf(int32_t id, int32_t* capacity) const;

    // Locks the first block when the queue holds an event. Otherwise cuts off
    // trailing blocks and returns false with nothing locked.
    bool LockIfNotEmpty();
    // With the first block locked: removes the first event and unlocks.
    void RemoveFirstLocked(COEvent* event);
    // With the first block locked: moves every event into the taken list and
    // unlocks. A sender that finds a free slot in a block already emptied is
    // behind this walk and cannot pass it, so its event comes after every
    // event taken here, as it would after that many single removals.
    void TakeAllLocked();
    // The next event of the taken list; false once it is used up.
    bool NextTaken(COEvent* event);

    // The block after one of the chain, attaching it when a sender chained it
    // on; null at the end of the chain. The caller holds `block`'s lock.
    EventQueueBlock* Next(EventQueueBlock* block);
    // Locks every block of the chain, first to last, and lists them.
    void CollectLocked(std::vector<EventQueueBlock*>& blocks);
    // Cuts off the empty blocks at the end of the chain; the first one stays.
    void CutEmptyTail();
    // Lets go of what was cut off and of views mapped ahead.
    void ReleaseDetached();

private:
    int32_t CapacityOf(const EventQueueBlock* block) const;
    EventQueueBlock* Attach(EventQueueBlock* block, int32_t nextId);
    void DetachAfter(size_t index);
    void PremapChained();
    MappedSegment* TakePremapped(int32_t id);

    FileMappingHeap& heap;
    // The chain as attached here, first block first.
    std::vector<procqueue::BlockView> chain;
    // Blocks cut off under the chain's locks, released after them.
    std::vector<EventQueueBlock*> detached;
    // Views of blocks chained on by senders, mapped ahead of attaching.
    std::vector<std::pair<int32_t, MappedSegment*>> premapped;
    // Slots taken out in one pass and not yet delivered, copied as they lay so
    // that the blocks are held as briefly as can be.
    std::vector<COProcDispatcher::EventSlot> taken;
    size_t takenNext = 0;
};
