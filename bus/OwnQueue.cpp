#include "bus/OwnQueue.h"

#include "bus/FileMappingHeap.h"
#include "bus/LockPauseHook.h"
#include "bus/MappedSegment.h"
#include "bus/SharedWord.h"

#include <algorithm>
#include <atomic>
#include <cstring>

using namespace procqueue;

namespace {
// A sender grows a queue by a few blocks at most between two passes.
constexpr size_t premapLimit = 8;
} // namespace

bool OwnQueue::Create()
{
    const int32_t capacity = COProcDispatcher::FIRST_CAPACITY;
    auto* block = static_cast<EventQueueBlock*>(heap.Alloc(BlockSize(capacity)));
    if (block == nullptr) {
        return false;
    }
    const auto id = static_cast<int32_t>(heap.GetID(block));
    WriteEmptyBlock(block, id, capacity);
    UnlockBlock(block);
    chain.push_back({block, id, capacity});
    return true;
}

OwnQueue::EventQueueBlock* OwnQueue::ViewOf(int32_t id, int32_t* capacity) const
{
    for (const BlockView& view : chain) {
        if (view.id == id) {
            *capacity = view.capacity;
            return view.block;
        }
    }
    return nullptr;
}

int32_t OwnQueue::CapacityOf(const EventQueueBlock* block) const
{
    for (const BlockView& view : chain) {
        if (view.block == block) {
            return view.capacity;
        }
    }
    return 0;
}

bool OwnQueue::LockIfNotEmpty()
{
    EventQueueBlock* first = First();
    if (first == nullptr) {
        return false;
    }
    // An empty queue is seen without taking its lock, so that an idle owner
    // polling in a tight loop never holds up the senders. Reading an event
    // code as 0 while a sender writes it is the same as locking just before.
    if (std::atomic_ref<uint32_t>(SlotAt(first, 0)->eventCode).load(std::memory_order_acquire) == 0 &&
        std::atomic_ref<int32_t>(first->nextId).load(std::memory_order_acquire) == 0) {
        return false;
    }
    PremapChained();
    LockBlock(first);
    if (SlotAt(first, 0)->eventCode != 0) {
        return true;
    }
    const bool chained = first->nextId != 0;
    UnlockBlock(first);
    if (chained) {
        CutEmptyTail();
    }
    ReleaseDetached();
    return false;
}

void OwnQueue::RemoveFirstLocked(COEvent* event)
{
    FromSlot(SlotAt(First(), 0), event);
    EventQueueBlock* previous = First();
    int32_t previousCapacity = chain.front().capacity;
    // Only the occupied slots move; the free ones behind them are zeros
    // already, and once a block is empty so is the rest of the chain.
    int32_t used = FirstFreeSlot(previous, previousCapacity);
    std::memmove(SlotAt(previous, 0), SlotAt(previous, 1), (used - 1) * sizeof(EventSlot));
    while (used == previousCapacity) {
        EventQueueBlock* next = Next(previous);
        if (next == nullptr) {
            break;
        }
        const int32_t nextCapacity = CapacityOf(next);
        LockBlock(next);
        if (SlotAt(next, 0)->eventCode == 0) {
            UnlockBlock(next);
            used = 0;
            break;
        }
        std::memcpy(SlotAt(previous, previousCapacity - 1), SlotAt(next, 0), sizeof(EventSlot));
        used = FirstFreeSlot(next, nextCapacity);
        std::memmove(SlotAt(next, 0), SlotAt(next, 1), (used - 1) * sizeof(EventSlot));
        UnlockBlock(previous);
        previous = next;
        previousCapacity = nextCapacity;
    }
    std::memset(SlotAt(previous, used > 0 ? used - 1 : previousCapacity - 1), 0, sizeof(EventSlot));
    UnlockBlock(previous);
    ReleaseDetached();
}

void OwnQueue::TakeAllLocked()
{
    EventQueueBlock* block = First();
    int32_t capacity = chain.front().capacity;
    for (;;) {
        const int32_t used = FirstFreeSlot(block, capacity);
        const size_t before = taken.size();
        taken.resize(before + static_cast<size_t>(used));
        std::memcpy(&taken[before], SlotAt(block, 0), static_cast<size_t>(used) * sizeof(EventSlot));
        LockPauseHook::At(LockPauseHook::Site::Drain);
        std::memset(SlotAt(block, 0), 0, static_cast<size_t>(used) * sizeof(EventSlot));
        // Once a block has a free slot, the rest of the chain is empty.
        EventQueueBlock* next = used == capacity ? Next(block) : nullptr;
        if (next == nullptr) {
            break;
        }
        LockBlock(next);
        UnlockBlock(block);
        block = next;
        capacity = CapacityOf(next);
    }
    UnlockBlock(block);
    ReleaseDetached();
}

bool OwnQueue::NextTaken(COEvent* event)
{
    if (takenNext == taken.size()) {
        taken.clear();
        takenNext = 0;
        return false;
    }
    FromSlot(&taken[takenNext++], event);
    return true;
}

OwnQueue::EventQueueBlock* OwnQueue::Next(EventQueueBlock* block)
{
    size_t index = 0;
    while (index < chain.size() && chain[index].block != block) {
        ++index;
    }
    if (index == chain.size()) {
        return nullptr;
    }
    const int32_t nextId = block->nextId;
    if (nextId == 0) {
        block->nextBlock = 0;
        DetachAfter(index);
        return nullptr;
    }
    if (block->nextBlock != 0 && index + 1 < chain.size() && chain[index + 1].id == nextId) {
        return chain[index + 1].block;
    }
    // Not attached yet, or the link changed under us: attach what it names now.
    DetachAfter(index);
    return Attach(block, nextId);
}

// Attaches the block `block` links to, the last of the chain as it stands;
// a link that is damaged, leads back into the chain or names a vanished
// block is cut.
OwnQueue::EventQueueBlock* OwnQueue::Attach(EventQueueBlock* block, int32_t nextId)
{
    const bool loops = nextId < 0 || std::any_of(chain.begin(), chain.end(),
                                                 [nextId](const BlockView& view) { return view.id == nextId; });
    MappedSegment* record = loops ? nullptr : TakePremapped(nextId);
    if (!loops && record == nullptr) {
        heap.Map(nextId, &record);
    }
    auto* next = record != nullptr ? static_cast<EventQueueBlock*>(record->View()) : nullptr;
    const int32_t capacity = loops ? -1 : UsableCapacity(record, nextId);
    if (capacity <= 0) {
        heap.Unmap(record);
        block->nextId = 0;
        block->nextBlock = 0;
        return nullptr;
    }
    block->nextBlock = AttachToken(next);
    sharedIncrement(next->header.refCount);
    chain.push_back({next, nextId, capacity});
    return next;
}

void OwnQueue::CollectLocked(std::vector<EventQueueBlock*>& blocks)
{
    EventQueueBlock* block = First();
    LockBlock(block);
    blocks.push_back(block);
    while ((block = Next(block)) != nullptr) {
        LockBlock(block);
        blocks.push_back(block);
    }
}

void OwnQueue::CutEmptyTail()
{
    std::vector<EventQueueBlock*> blocks;
    CollectLocked(blocks);
    bool occupied = false;
    for (size_t i = blocks.size(); i-- > 0;) {
        EventQueueBlock* block = blocks[i];
        if (!occupied) {
            occupied = HasOccupiedSlot(block, CapacityOf(block));
        }
        UnlockBlock(block);
        if (!occupied && i > 0) {
            blocks[i - 1]->nextId = 0;
            blocks[i - 1]->nextBlock = 0;
            DetachAfter(i - 1);
        }
    }
    ReleaseDetached();
}

// Cut-off blocks are released once no lock is held: nobody reaches them any
// more, and nobody should wait while we unmap.
void OwnQueue::DetachAfter(size_t index)
{
    while (chain.size() > index + 1) {
        detached.push_back(chain.back().block);
        chain.pop_back();
    }
}

void OwnQueue::ReleaseDetached()
{
    for (EventQueueBlock* block : detached) {
        heap.Free(block);
    }
    detached.clear();
    for (const auto& [id, record] : premapped) {
        heap.Unmap(record);
    }
    premapped.clear();
}

// Blocks that senders chained on since the last attach are mapped before any
// lock is taken; attaching then takes the view from here.
void OwnQueue::PremapChained()
{
    int32_t nextId = std::atomic_ref<int32_t>(chain.back().block->nextId).load(std::memory_order_acquire);
    while (nextId > 0 && premapped.size() < premapLimit) {
        // Blocks this process chained on as a sender are held, not attached:
        // the owner maps them like anybody else's.
        const auto attached = [nextId](const BlockView& view) { return view.id == nextId; };
        const auto known = [nextId](const auto& entry) { return entry.first == nextId; };
        if (std::any_of(chain.begin(), chain.end(), attached) ||
            std::any_of(premapped.begin(), premapped.end(), known)) {
            return;
        }
        MappedSegment* record = nullptr;
        heap.Map(nextId, &record);
        if (UsableCapacity(record, nextId) <= 0) {
            heap.Unmap(record);
            return;
        }
        premapped.emplace_back(nextId, record);
        auto* block = static_cast<EventQueueBlock*>(record->View());
        nextId = std::atomic_ref<int32_t>(block->nextId).load(std::memory_order_acquire);
    }
}

MappedSegment* OwnQueue::TakePremapped(int32_t id)
{
    for (auto entry = premapped.begin(); entry != premapped.end(); ++entry) {
        if (entry->first == id) {
            MappedSegment* record = entry->second;
            premapped.erase(entry);
            return record;
        }
    }
    return nullptr;
}
