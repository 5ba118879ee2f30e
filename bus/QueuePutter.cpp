#include "bus/QueuePutter.h"

#include "bus/FileMappingHeap.h"
#include "bus/LockPauseHook.h"
#include "bus/MappedSegment.h"
#include "bus/OwnDataBlocks.h"
#include "bus/OwnQueue.h"
#include "bus/SharedWord.h"
#include "foundation/AnimTime.h"

#include <algorithm>
#include <atomic>

using namespace procqueue;

namespace {
// A put lets go of a queue's locks this often at most to open or create
// segments first; a chain is looked ahead this far.
constexpr int putWalkRetries = 3;
constexpr size_t chainKeepLimit = 16;
// Destruction waits this many times 100 ms, in all, for owners to attach the
// blocks this process still holds for them.
constexpr int heldBlockWaits = 100;
constexpr uint32_t heldBlockWaitMs = 100;
} // namespace

void QueuePutter::OpenQueuesAhead(COProcDispatcher::QueueArray& table)
{
    for (COProcDispatcher::QueueEntry& entry : table.entries) {
        const int32_t id = std::atomic_ref<int32_t>(entry.queueId).load(std::memory_order_relaxed);
        const int32_t owner = std::atomic_ref<int32_t>(entry.reserved).load(std::memory_order_relaxed);
        if (id > 0 && id != own.Id() && heap.WouldOpen(id, owner == 0)) {
            MappedSegment* record = nullptr;
            heap.MapKept(id, &record, owner == 0);
            heap.DoneKept(record);
        }
    }
}

bool QueuePutter::Put(int32_t queueId, int32_t owner, COEvent* event, bool* failed)
{
    // A walk that would make the system open or create a segment while it
    // holds a queue's lock lets go and does that first, then walks again: the
    // queue's owner never waits on our system calls.
    for (int walk = 0;; ++walk) {
        const Walk result = WalkAndPut(queueId, owner, event, walk < putWalkRetries);
        if (result == Walk::Failed) {
            *failed = true;
        }
        if (result != Walk::Retry) {
            return result != Walk::Vanished;
        }
    }
}

QueuePutter::Walk QueuePutter::WalkAndPut(int32_t queueId, int32_t owner, COEvent* event, bool mayRetry)
{
    Position at{};
    Walk failure = Walk::Put;
    if (!OpenFirst(queueId, owner, &at, &failure)) {
        return failure;
    }
    LockBlock(at.block);
    bool hold = false;
    walked.assign(1, queueId);
    passedUnattached.clear();
    for (;;) {
        if (PutInFreeSlot(at, *event, hold)) {
            HoldPassedBlocks();
            return Walk::Put;
        }
        const Step step = StepToNext(at, &hold, mayRetry);
        if (step == Step::Retry) {
            return Walk::Retry;
        }
        if (step == Step::Grow) {
            if (hold) {
                passedUnattached.push_back({nullptr, walked.back(), at.capacity}); // the block grown from
            }
            const Walk grown = Grow(at, *event, mayRetry);
            if (grown == Walk::Put) {
                HoldPassedBlocks();
            }
            return grown;
        }
    }
}

// The blocks a put passed on its way that their owner has not attached yet
// are held too, not only the one it wrote into: if the sender that chained
// one on dies, its link is the only way to the blocks behind it, which hold
// this and other senders' events. Mapped once no lock is held; the walk's
// kept views keep them alive until then.
void QueuePutter::HoldPassedBlocks()
{
    for (const BlockView& passed : passedUnattached) {
        Hold(passed.id, passed.capacity);
    }
    passedUnattached.clear();
}

void QueuePutter::Hold(int32_t id, int32_t capacity)
{
    if (std::any_of(held.begin(), held.end(), [id](const BlockView& view) { return view.id == id; })) {
        return;
    }
    if (auto* view = static_cast<EventQueueBlock*>(heap.Map(id))) {
        if (!StillMatches(view, id, capacity)) {
            heap.Free(view); // gone meanwhile: nothing to hold
            return;
        }
        held.push_back({view, id, capacity});
        heldFor[id] = walked.front();
    }
}

// The own first block is mapped for the dispatcher's whole life; other
// queues' first blocks are kept views of the queue heap. Without an owner
// word, the system is asked whether anybody else still holds the block.
bool QueuePutter::OpenFirst(int32_t queueId, int32_t owner, Position* at, Walk* failure)
{
    *at = {nullptr, own.First(), COProcDispatcher::FIRST_CAPACITY};
    if (queueId == own.Id() && own.First() != nullptr) {
        return true;
    }
    const FileMappingHeap::KeptResult found = heap.MapKept(queueId, &at->record, owner == 0);
    if (found == FileMappingHeap::KeptResult::Failed) {
        *failure = Walk::Failed; // could not map here and now; the queue itself may be fine
        return false;
    }
    at->capacity = found == FileMappingHeap::KeptResult::Mapped ? UsableCapacity(at->record, queueId) : 0;
    if (at->capacity <= 0) {
        // Vanished (its owner has gone) or not a queue block.
        heap.DoneKept(at->record);
        *failure = Walk::Vanished;
        return false;
    }
    at->block = static_cast<EventQueueBlock*>(at->record->View());
    return true;
}

bool QueuePutter::PutInFreeSlot(Position& at, const COEvent& event, bool hold)
{
    const int32_t free = FirstFreeSlot(at.block, at.capacity);
    if (free >= at.capacity) {
        return false;
    }
    data.AddReference(event);
    LockPauseHook::At(LockPauseHook::Site::Block);
    ToSlot(event, SlotAt(at.block, free));
    UnlockBlock(at.block);
    // A block its owner has not attached lives on a view of ours until it
    // does; the kept view may go at any sweep, so hold one of its own.
    if (hold) {
        Hold(walked.back(), at.capacity);
    }
    heap.DoneKept(at.record);
    return true;
}

// Moves the walk on to the next block of the chain, locked before the current
// one is let go. A link that is damaged, vanished or leads back into the
// chain is cut, and the chain grows in its place.
QueuePutter::Step QueuePutter::StepToNext(Position& at, bool* hold, bool mayRetry)
{
    const int32_t nextId = at.block->nextId;
    if (nextId == 0) {
        return Step::Grow;
    }
    Position next{nullptr, nullptr, -1};
    if (nextId > 0 && std::find(walked.begin(), walked.end(), nextId) == walked.end()) {
        int32_t capacity = -1;
        if (EventQueueBlock* atHand = ViewAtHand(nextId, &capacity)) {
            // Our own view, but what the owner will judge is the header.
            next = {nullptr, StillMatches(atHand, nextId, capacity) ? atHand : nullptr, capacity};
        } else if (mayRetry && heap.WouldOpen(nextId)) {
            LeaveBlock(at);
            KeepChainFrom(nextId);
            return Step::Retry;
        } else {
            next = FindNext(nextId);
        }
    }
    if (next.block == nullptr) {
        heap.DoneKept(next.record);
        at.block->nextId = 0;
        return Step::Grow;
    }
    LockBlock(next.block);
    if (*hold) {
        // Reached through a link its owner has not attached: held once the
        // put is done, and kept mapped meanwhile.
        passedUnattached.push_back({nullptr, walked.back(), at.capacity});
    }
    if (at.block->nextBlock == 0) {
        *hold = true;
    }
    LeaveBlock(at);
    at = next;
    walked.push_back(nextId);
    return Step::Moved;
}

// Only a queue's first block tells whether its owner lives; a chained block
// kept here goes at the next sweep.
QueuePutter::Position QueuePutter::FindNext(int32_t nextId)
{
    Position next{nullptr, nullptr, -1};
    const FileMappingHeap::KeptResult found = heap.MapKept(nextId, &next.record, false);
    next.capacity = found == FileMappingHeap::KeptResult::Mapped ? UsableCapacity(next.record, nextId) : -1;
    if (next.capacity > 0) {
        next.block = static_cast<EventQueueBlock*>(next.record->View());
    }
    return next;
}

QueuePutter::Walk QueuePutter::Grow(Position& at, const COEvent& event, bool mayRetry)
{
    const int32_t capacity = NewCapacity(at.capacity);
    BlockView grown = TakeSpareBlock(capacity);
    if (grown.block == nullptr && mayRetry) {
        LeaveBlock(at);
        AddSpareBlock(capacity);
        return Walk::Retry;
    }
    if (grown.block == nullptr) {
        AddSpareBlock(capacity);
        grown = TakeSpareBlock(capacity);
    }
    if (grown.block == nullptr) {
        LeaveBlock(at);
        return Walk::Failed;
    }
    WriteEmptyBlock(grown.block, grown.id, capacity);
    at.block->nextId = grown.id;
    LockPauseHook::At(LockPauseHook::Site::Grow);
    data.AddReference(event);
    ToSlot(event, SlotAt(grown.block, 0));
    held.push_back(grown);
    heldFor[grown.id] = walked.front();
    UnlockBlock(grown.block);
    LeaveBlock(at);
    return Walk::Put;
}

void QueuePutter::LeaveBlock(Position& at)
{
    UnlockBlock(at.block);
    heap.DoneKept(at.record);
}

// A view this process has of a queue block anyway: one of its own chain or
// one it holds for an owner. Null when it has none.
QueuePutter::EventQueueBlock* QueuePutter::ViewAtHand(int32_t id, int32_t* capacity) const
{
    if (EventQueueBlock* view = own.ViewOf(id, capacity)) {
        return view;
    }
    for (const BlockView& view : held) {
        if (view.id == id) {
            *capacity = view.capacity;
            return view.block;
        }
    }
    return nullptr;
}

// Keeps views of a chain's blocks from the given one on, read without locks:
// the links are only a guess here, which the locked walk checks.
void QueuePutter::KeepChainFrom(int32_t id)
{
    walked.clear();
    while (id > 0 && walked.size() < chainKeepLimit && std::find(walked.begin(), walked.end(), id) == walked.end()) {
        walked.push_back(id);
        MappedSegment* record = nullptr;
        int32_t capacity = 0;
        if (ViewAtHand(id, &capacity) != nullptr) {
            return;
        }
        if (heap.MapKept(id, &record, false) != FileMappingHeap::KeptResult::Mapped ||
            UsableCapacity(record, id) <= 0) {
            heap.DoneKept(record);
            return;
        }
        id = std::atomic_ref<int32_t>(static_cast<EventQueueBlock*>(record->View())->nextId)
                 .load(std::memory_order_acquire);
        heap.DoneKept(record);
    }
}

// A queue block created ahead of a grow, outside every lock; it is written as
// new when it is linked in. Nobody knows its number until then.
void QueuePutter::AddSpareBlock(int32_t capacity)
{
    auto* block = static_cast<EventQueueBlock*>(heap.Alloc(BlockSize(capacity)));
    if (block != nullptr) {
        spares.push_back({block, static_cast<int32_t>(heap.GetID(block)), capacity});
    }
}

BlockView QueuePutter::TakeSpareBlock(int32_t capacity)
{
    for (auto spare = spares.begin(); spare != spares.end(); ++spare) {
        if (spare->capacity == capacity) {
            const BlockView taken = *spare;
            spares.erase(spare);
            return taken;
        }
    }
    return {nullptr, 0, 0};
}

void QueuePutter::ReleaseAttached()
{
    auto attached = std::remove_if(held.begin(), held.end(), [this](const BlockView& view) {
        if (sharedLoad(view.block->header.refCount) <= 0) {
            return false;
        }
        heap.Free(view.block);
        return true;
    });
    held.erase(attached, held.end());
}

void QueuePutter::ReleaseAll(const std::function<bool(int32_t queueId)>& ownerGone)
{
    for (const BlockView& spare : spares) {
        heap.Free(spare.block);
    }
    spares.clear();
    int budget = heldBlockWaits;
    for (const BlockView& view : held) {
        LockBlock(view.block);
        // An owner that has ended attaches nothing any more.
        const int32_t queueId = heldFor[view.id];
        while (sharedLoad(view.block->header.refCount) <= 0 && budget >= 0 && !ownerGone(queueId)) {
            UnlockBlock(view.block);
            utilSleep(heldBlockWaitMs);
            --budget;
            LockBlock(view.block);
        }
        UnlockBlock(view.block);
        heap.Free(view.block);
    }
    held.clear();
    heldFor.clear();
}
