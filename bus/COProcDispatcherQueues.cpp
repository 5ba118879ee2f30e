// The queue walks of COProcDispatcher: putting an event into every attached
// queue, taking events out of the own queue, and the chain of blocks a queue
// grows into.

#include "bus/COProcDispatcher.h"

#include "bus/FileMappingHeap.h"
#include "bus/MappedSegment.h"
#include "bus/ProcQueueLayout.h"
#include "bus/SharedWord.h"

#include <algorithm>
#include <atomic>
#include <cstring>

using namespace procqueue;

namespace {
constexpr int32_t dataHeaderSize = static_cast<int32_t>(sizeof(COProcDispatcher::Header));
// A sender grows a queue by a few blocks at most between two passes.
constexpr size_t premapLimit = 8;
// A put lets go of a queue's locks this often at most to open or create
// segments first; a chain is looked ahead this far.
constexpr int putWalkRetries = 3;
constexpr size_t chainKeepLimit = 16;

// Under its lock a block's occupied slots come first, so the first free one
// is found by halving.
int32_t FirstFreeSlot(EventQueueBlock* block, int32_t capacity)
{
    int32_t low = 0;
    int32_t high = capacity;
    while (low < high) {
        const int32_t middle = low + (high - low) / 2;
        if (SlotAt(block, middle)->eventCode != 0) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

// A block mapped earlier still says what it said then.
bool StillMatches(const EventQueueBlock* block, int32_t id, int32_t capacity)
{
    return block->header.id == id && block->capacity == capacity && block->header.size == BlockSize(capacity);
}

bool HasOccupiedSlot(EventQueueBlock* block, int32_t capacity)
{
    for (int32_t i = 0; i < capacity; ++i) {
        if (SlotAt(block, i)->eventCode != 0) {
            return true;
        }
    }
    return false;
}
} // namespace

// The block's capacity when the mapping holds a queue block with that id whose
// size matches its capacity; 0 for a vanished segment, -1 for anything else.
int32_t COProcDispatcher::UsableCapacity(MappedSegment* record, int32_t expectedId) const
{
    if (record == nullptr || record->View() == nullptr || record->Size() < static_cast<size_t>(BLOCK_HEADER_SIZE)) {
        return -1;
    }
    const auto* block = static_cast<const EventQueueBlock*>(record->View());
    const int32_t size = block->header.size;
    const int32_t capacity = block->capacity;
    if (size == 0) {
        return 0;
    }
    if (block->header.id != expectedId || capacity < 1 || capacity > MAX_CAPACITY || size != BlockSize(capacity) ||
        record->Size() < static_cast<size_t>(size)) {
        return -1;
    }
    return capacity;
}

int32_t COProcDispatcher::CapacityOf(const EventQueueBlock* block) const
{
    for (const BlockView& view : ownChain) {
        if (view.block == block) {
            return view.capacity;
        }
    }
    return 0;
}

// A view this process has of a queue block anyway: one of its own chain or
// one it holds for an owner. Null when it has none.
COProcDispatcher::EventQueueBlock* COProcDispatcher::ViewAtHand(int32_t id, int32_t* capacity) const
{
    for (const auto* views : {&ownChain, &heldBlocks}) {
        for (const BlockView& view : *views) {
            if (view.id == id) {
                if (capacity != nullptr) {
                    *capacity = view.capacity;
                }
                return view.block;
            }
        }
    }
    return nullptr;
}

void COProcDispatcher::PutEventInAllQueues(COEvent* event)
{
    // Code 0 marks a free slot, so such an event cannot travel; a data block
    // needs bytes to copy from.
    if (queueArray == nullptr || event->eventCode == 0 || event->dataSize < 0) {
        return;
    }
    if (event->dataSize != 0) {
        const int32_t size = event->dataSize;
        if (event->data == nullptr || DataHeap() == nullptr || size > 0x7fffffff - dataHeaderSize - 4) {
            return;
        }
        const DataBlock block = NewDataBlock(size + dataHeaderSize);
        if (block.header == nullptr) {
            return;
        }
        std::memcpy(reinterpret_cast<char*>(block.header) + dataHeaderSize, event->data, static_cast<size_t>(size));
        event->SetValue(block.id);
        Unlock(*block.header);
        puttingData = block;
    }
    KeepQueuesOfTable();
    Lock(queueArray->header, 0);
    const int32_t count = std::clamp(queueArray->count, 0, QUEUE_ENTRIES);
    for (int32_t i = 0; i < count; ++i) {
        const int32_t id = queueArray->entries[i].queueId;
        if (id == 0) {
            continue;
        }
        // Segment 0 is the root slot, so a queue id below 1 is damage.
        if (id < 0 || !PutEventInOneQueue(id, event)) {
            queueArray->entries[i].queueId = 0;
        }
    }
    Unlock(queueArray->header);
    puttingData = {nullptr, 0, 0};
}

// A data block of the given size, written as new and still locked: one of
// this process's whose every queue slot has been delivered, when one is large
// enough, otherwise a new segment.
COProcDispatcher::DataBlock COProcDispatcher::NewDataBlock(int32_t size)
{
    auto fits = [size](const DataBlock& block) { return block.room >= size; };
    auto spare = std::find_if(spareDataBlocks.rbegin(), spareDataBlocks.rend(), fits);
    DataBlock block{nullptr, 0, 0};
    if (spare != spareDataBlocks.rend()) {
        block = *spare;
        spareDataBlocks.erase(std::next(spare).base());
        sparesLowWater = std::min(sparesLowWater, spareDataBlocks.size());
    } else {
        block.header = static_cast<Header*>(DataHeap()->Alloc(size));
        if (block.header == nullptr) {
            return block;
        }
        block.id = static_cast<int32_t>(DataHeap()->GetID(block.header));
        block.room = size;
    }
    WriteHeader(*block.header, size, block.id, -1);
    dataBlocks[block.id] = block;
    return block;
}

bool COProcDispatcher::PutEventInOneQueue(int queueID, COEvent* event)
{
    // A walk that would make the system open or create a segment while it
    // holds a queue's lock lets go and does that first, then walks again: the
    // queue's owner never waits on our system calls.
    for (int walk = 0;; ++walk) {
        const PutWalk result = WalkAndPut(queueID, event, walk < putWalkRetries);
        if (result != PutWalk::Retry) {
            return result == PutWalk::Put;
        }
    }
}

COProcDispatcher::PutWalk COProcDispatcher::WalkAndPut(int queueID, COEvent* event, bool mayRetry)
{
    // The own first block is mapped for the dispatcher's whole life; other
    // queues' blocks are kept views of the queue heap.
    MappedSegment* record = nullptr;
    EventQueueBlock* block = firstBlock;
    int32_t capacity = FIRST_CAPACITY;
    if (queueID != queueId || firstBlock == nullptr) {
        const FileMappingHeap::KeptResult found = queueHeap->MapKept(queueID, &record);
        if (found == FileMappingHeap::KeptResult::Failed) {
            return PutWalk::Put; // could not map here and now; the queue itself may be fine
        }
        capacity = found == FileMappingHeap::KeptResult::Mapped ? UsableCapacity(record, queueID) : 0;
        if (capacity <= 0) {
            // Vanished (its owner has gone) or not a queue block.
            queueHeap->DoneKept(record);
            return PutWalk::Vanished;
        }
        block = static_cast<EventQueueBlock*>(record->View());
    }
    Lock(block->header, 0);
    bool hold = false;
    walked.assign(1, queueID);
    for (;;) {
        const int32_t free = FirstFreeSlot(block, capacity);
        if (free < capacity) {
            AddRefEventData(event);
            ToSlot(*event, SlotAt(block, free));
            Unlock(block->header);
            // A block its owner has not attached lives on a view of ours until
            // it does; the kept view may go at any sweep, so hold one of its own.
            const int32_t id = walked.back();
            const bool listed = std::any_of(heldBlocks.begin(), heldBlocks.end(),
                                            [id](const BlockView& held) { return held.id == id; });
            if (hold && !listed) {
                if (auto* held = static_cast<EventQueueBlock*>(queueHeap->Map(id))) {
                    heldBlocks.push_back({held, id, capacity});
                }
            }
            queueHeap->DoneKept(record);
            return PutWalk::Put;
        }
        const int32_t nextId = block->nextId;
        if (nextId != 0) {
            MappedSegment* nextRecord = nullptr;
            int32_t nextCapacity = -1;
            EventQueueBlock* next = nullptr;
            if (nextId > 0 && std::find(walked.begin(), walked.end(), nextId) == walked.end()) {
                EventQueueBlock* atHand = ViewAtHand(nextId, &nextCapacity);
                if (atHand != nullptr) {
                    // Our own view, but what the owner will judge is the header.
                    next = StillMatches(atHand, nextId, nextCapacity) ? atHand : nullptr;
                } else if (mayRetry && queueHeap->WouldOpen(nextId)) {
                    Unlock(block->header);
                    queueHeap->DoneKept(record);
                    KeepChainFrom(nextId);
                    return PutWalk::Retry;
                } else {
                    // Only a queue's first block tells whether its owner
                    // lives; a chained block kept here goes at the next sweep.
                    const FileMappingHeap::KeptResult found = queueHeap->MapKept(nextId, &nextRecord, false);
                    nextCapacity =
                        found == FileMappingHeap::KeptResult::Mapped ? UsableCapacity(nextRecord, nextId) : -1;
                    next = nextCapacity > 0 ? static_cast<EventQueueBlock*>(nextRecord->View()) : nullptr;
                }
            }
            if (next != nullptr) {
                Lock(next->header, 0);
                if (block->nextBlock == 0) {
                    hold = true;
                }
                Unlock(block->header);
                queueHeap->DoneKept(record);
                block = next;
                record = nextRecord;
                capacity = nextCapacity;
                walked.push_back(nextId);
                continue;
            }
            // Vanished, damaged or leading back into the chain: cut it here
            // and grow a new block in its place.
            queueHeap->DoneKept(nextRecord);
            block->nextId = 0;
        }
        const int32_t newCapacity = NewCapacity(capacity);
        BlockView grown = TakeSpareQueueBlock(newCapacity);
        if (grown.block == nullptr && mayRetry) {
            Unlock(block->header);
            queueHeap->DoneKept(record);
            AddSpareQueueBlock(newCapacity);
            return PutWalk::Retry;
        }
        if (grown.block == nullptr) {
            AddSpareQueueBlock(newCapacity);
            grown = TakeSpareQueueBlock(newCapacity);
        }
        if (grown.block == nullptr) {
            Unlock(block->header);
            queueHeap->DoneKept(record);
            return PutWalk::Put;
        }
        WriteHeader(grown.block->header, BlockSize(newCapacity), grown.id, 0);
        grown.block->capacity = newCapacity;
        grown.block->nextId = 0;
        grown.block->nextBlock = 0;
        for (int32_t i = 0; i < newCapacity; ++i) {
            SlotAt(grown.block, i)->eventCode = 0;
        }
        block->nextId = grown.id;
        AddRefEventData(event);
        ToSlot(*event, SlotAt(grown.block, 0));
        heldBlocks.push_back(grown);
        Unlock(grown.block->header);
        Unlock(block->header);
        queueHeap->DoneKept(record);
        return PutWalk::Put;
    }
}

// Opens the first blocks of the table's queues that have no kept view yet
// before the table is locked, so that no other sender waits on it meanwhile.
// The entries read here without the lock only tell what to open.
void COProcDispatcher::KeepQueuesOfTable()
{
    for (QueueEntry& entry : queueArray->entries) {
        const int32_t id = std::atomic_ref<int32_t>(entry.queueId).load(std::memory_order_relaxed);
        if (id > 0 && id != queueId && queueHeap->WouldOpen(id)) {
            MappedSegment* record = nullptr;
            queueHeap->MapKept(id, &record);
            queueHeap->DoneKept(record);
        }
    }
}

// Keeps views of a chain's blocks from the given one on, read without locks:
// the links are only a guess here, which the locked walk checks.
void COProcDispatcher::KeepChainFrom(int32_t id)
{
    walked.clear();
    while (id > 0 && walked.size() < chainKeepLimit && std::find(walked.begin(), walked.end(), id) == walked.end()) {
        walked.push_back(id);
        MappedSegment* record = nullptr;
        if (ViewAtHand(id, nullptr) != nullptr) {
            return;
        }
        if (queueHeap->MapKept(id, &record, false) != FileMappingHeap::KeptResult::Mapped ||
            UsableCapacity(record, id) <= 0) {
            queueHeap->DoneKept(record);
            return;
        }
        id = std::atomic_ref<int32_t>(static_cast<EventQueueBlock*>(record->View())->nextId)
                 .load(std::memory_order_acquire);
        queueHeap->DoneKept(record);
    }
}

// A queue block created ahead of a grow, outside every lock; it is written as
// new when it is linked in. Nobody knows its number until then.
void COProcDispatcher::AddSpareQueueBlock(int32_t capacity)
{
    auto* block = static_cast<EventQueueBlock*>(queueHeap->Alloc(BlockSize(capacity)));
    if (block != nullptr) {
        spareQueueBlocks.push_back({block, static_cast<int32_t>(queueHeap->GetID(block)), capacity});
    }
}

COProcDispatcher::BlockView COProcDispatcher::TakeSpareQueueBlock(int32_t capacity)
{
    for (auto spare = spareQueueBlocks.begin(); spare != spareQueueBlocks.end(); ++spare) {
        if (spare->capacity == capacity) {
            const BlockView taken = *spare;
            spareQueueBlocks.erase(spare);
            return taken;
        }
    }
    return {nullptr, 0, 0};
}

// Locks the own first block when the queue holds an event. Otherwise does an
// empty queue's upkeep (trailing blocks cut off, held blocks released) and
// returns false with nothing locked.
bool COProcDispatcher::LockNonEmptyQueue()
{
    if (firstBlock == nullptr) {
        return false;
    }
    // An empty queue is seen without taking its lock, so that an idle owner
    // polling in a tight loop never holds up the senders. Reading an event
    // code as 0 while a sender writes it is the same as locking just before.
    if (std::atomic_ref<uint32_t>(SlotAt(firstBlock, 0)->eventCode).load(std::memory_order_acquire) == 0 &&
        std::atomic_ref<int32_t>(firstBlock->nextId).load(std::memory_order_acquire) == 0) {
        FreeEventBlocks();
        return false;
    }
    PremapChainedBlocks();
    Lock(firstBlock->header, 0);
    if (SlotAt(firstBlock, 0)->eventCode != 0) {
        return true;
    }
    const bool chained = firstBlock->nextId != 0;
    Unlock(firstBlock->header);
    if (chained) {
        RemoveFreeEventQueueBlocks();
    }
    ReleaseDetachedBlocks();
    FreeEventBlocks();
    return false;
}

bool COProcDispatcher::RemoveEventFromQueue(COEvent* event)
{
    if (!LockNonEmptyQueue()) {
        return false;
    }
    FromSlot(SlotAt(firstBlock, 0), event);
    EventQueueBlock* previous = firstBlock;
    int32_t previousCapacity = ownChain.front().capacity;
    // Only the occupied slots move; the free ones behind them are zeros
    // already, and once a block is empty so is the rest of the chain.
    int32_t used = FirstFreeSlot(previous, previousCapacity);
    std::memmove(SlotAt(previous, 0), SlotAt(previous, 1), (used - 1) * sizeof(EventSlot));
    while (used == previousCapacity) {
        EventQueueBlock* next = GetNextEventQueueBlock(previous);
        if (next == nullptr) {
            break;
        }
        const int32_t nextCapacity = CapacityOf(next);
        Lock(next->header, 0);
        if (SlotAt(next, 0)->eventCode == 0) {
            Unlock(next->header);
            used = 0;
            break;
        }
        std::memcpy(SlotAt(previous, previousCapacity - 1), SlotAt(next, 0), sizeof(EventSlot));
        used = FirstFreeSlot(next, nextCapacity);
        std::memmove(SlotAt(next, 0), SlotAt(next, 1), (used - 1) * sizeof(EventSlot));
        Unlock(previous->header);
        previous = next;
        previousCapacity = nextCapacity;
    }
    std::memset(SlotAt(previous, used > 0 ? used - 1 : previousCapacity - 1), 0, sizeof(EventSlot));
    Unlock(previous->header);
    ReleaseDetachedBlocks();
    return true;
}

// Takes every event of the own queue, in order, into `taken`, emptying the
// blocks hand over hand. A sender that finds a free slot in a block already
// emptied is behind this walk and cannot pass it, so its event comes after
// every event taken here, as it would after that many single removals; each
// block stays packed. False, with the same upkeep as RemoveEventFromQueue,
// when the queue is empty.
bool COProcDispatcher::TakeQueuedEvents()
{
    if (!LockNonEmptyQueue()) {
        return false;
    }
    EventQueueBlock* block = firstBlock;
    int32_t capacity = ownChain.front().capacity;
    for (;;) {
        const int32_t used = FirstFreeSlot(block, capacity);
        const size_t before = taken.size();
        taken.resize(before + static_cast<size_t>(used));
        std::memcpy(&taken[before], SlotAt(block, 0), static_cast<size_t>(used) * sizeof(EventSlot));
        std::memset(SlotAt(block, 0), 0, static_cast<size_t>(used) * sizeof(EventSlot));
        // Once a block has a free slot, the rest of the chain is empty.
        EventQueueBlock* next = used == capacity ? GetNextEventQueueBlock(block) : nullptr;
        if (next == nullptr) {
            break;
        }
        Lock(next->header, 0);
        Unlock(block->header);
        block = next;
        capacity = CapacityOf(next);
    }
    Unlock(block->header);
    ReleaseDetachedBlocks();
    return true;
}

COProcDispatcher::EventQueueBlock* COProcDispatcher::GetNextEventQueueBlock(EventQueueBlock* block)
{
    size_t index = 0;
    while (index < ownChain.size() && ownChain[index].block != block) {
        ++index;
    }
    if (index == ownChain.size()) {
        return nullptr;
    }
    const int32_t nextId = block->nextId;
    if (nextId == 0) {
        block->nextBlock = 0;
        DetachChainAfter(index);
        return nullptr;
    }
    if (block->nextBlock != 0 && index + 1 < ownChain.size() && ownChain[index + 1].id == nextId) {
        return ownChain[index + 1].block;
    }
    // Not attached yet, or the link changed under us: attach what it names now.
    DetachChainAfter(index);
    const bool loops = nextId < 0 || std::any_of(ownChain.begin(), ownChain.end(),
                                                 [nextId](const BlockView& view) { return view.id == nextId; });
    MappedSegment* record = loops ? nullptr : TakePremapped(nextId);
    if (!loops && record == nullptr) {
        queueHeap->Map(nextId, &record);
    }
    auto* next = record != nullptr ? static_cast<EventQueueBlock*>(record->View()) : nullptr;
    const int32_t capacity = loops ? -1 : UsableCapacity(record, nextId);
    if (capacity <= 0) {
        queueHeap->Unmap(record);
        block->nextId = 0;
        block->nextBlock = 0;
        return nullptr;
    }
    block->nextBlock = AttachToken(next);
    sharedIncrement(next->header.refCount);
    ownChain.push_back({next, nextId, capacity});
    return next;
}

// Cut-off blocks are released once no lock is held (ReleaseDetachedBlocks):
// nobody reaches them any more, and nobody should wait while we unmap.
void COProcDispatcher::DetachChainAfter(size_t index)
{
    while (ownChain.size() > index + 1) {
        detachedBlocks.push_back(ownChain.back().block);
        ownChain.pop_back();
    }
}

void COProcDispatcher::ReleaseDetachedBlocks()
{
    for (EventQueueBlock* block : detachedBlocks) {
        queueHeap->Free(block);
    }
    detachedBlocks.clear();
    for (const auto& [id, record] : premapped) {
        queueHeap->Unmap(record);
    }
    premapped.clear();
}

// Blocks that senders chained onto the own queue since the last attach are
// mapped before any lock is taken, so that no sender waits on a lock held
// across the system calls; attaching then takes the view from here.
void COProcDispatcher::PremapChainedBlocks()
{
    int32_t nextId = std::atomic_ref<int32_t>(ownChain.back().block->nextId).load(std::memory_order_acquire);
    while (nextId > 0 && premapped.size() < premapLimit) {
        // Blocks this process chained on as a sender are held, not attached:
        // the owner maps them like anybody else's.
        const auto attached = [nextId](const BlockView& view) { return view.id == nextId; };
        const auto known = [nextId](const auto& entry) { return entry.first == nextId; };
        if (std::any_of(ownChain.begin(), ownChain.end(), attached) ||
            std::any_of(premapped.begin(), premapped.end(), known)) {
            return;
        }
        MappedSegment* record = nullptr;
        queueHeap->Map(nextId, &record);
        if (UsableCapacity(record, nextId) <= 0) {
            queueHeap->Unmap(record);
            return;
        }
        premapped.emplace_back(nextId, record);
        auto* block = static_cast<EventQueueBlock*>(record->View());
        nextId = std::atomic_ref<int32_t>(block->nextId).load(std::memory_order_acquire);
    }
}

MappedSegment* COProcDispatcher::TakePremapped(int32_t id)
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

void COProcDispatcher::CollectEventQueueBlocks(std::vector<EventQueueBlock*>& blocks)
{
    EventQueueBlock* block = firstBlock;
    Lock(block->header, 0);
    blocks.push_back(block);
    while ((block = GetNextEventQueueBlock(block)) != nullptr) {
        Lock(block->header, 0);
        blocks.push_back(block);
    }
}

void COProcDispatcher::RemoveFreeEventQueueBlocks()
{
    std::vector<EventQueueBlock*> blocks;
    CollectEventQueueBlocks(blocks);
    bool occupied = false;
    for (size_t i = blocks.size(); i-- > 0;) {
        EventQueueBlock* block = blocks[i];
        if (!occupied) {
            occupied = HasOccupiedSlot(block, CapacityOf(block));
        }
        Unlock(block->header);
        if (!occupied && i > 0) {
            // Trailing empty blocks are cut off; the first block always stays.
            blocks[i - 1]->nextId = 0;
            blocks[i - 1]->nextBlock = 0;
            DetachChainAfter(i - 1);
        }
    }
    ReleaseDetachedBlocks();
}

void COProcDispatcher::FreeEventBlocks()
{
    auto attached = std::remove_if(heldBlocks.begin(), heldBlocks.end(), [this](const BlockView& held) {
        if (sharedLoad(held.block->header.refCount) <= 0) {
            return false;
        }
        queueHeap->Free(held.block);
        return true;
    });
    heldBlocks.erase(attached, heldBlocks.end());
}
