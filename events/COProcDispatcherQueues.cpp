// The queue walks of COProcDispatcher: putting an event into every attached
// queue, taking events out of the own queue, and the chain of blocks a queue
// grows into.

#include "events/COProcDispatcher.h"

#include "events/FileMappingHeap.h"
#include "events/MappedSegment.h"
#include "events/ProcQueueLayout.h"
#include "events/SharedWord.h"

#include <algorithm>
#include <atomic>
#include <cstring>

using namespace procqueue;

namespace {
constexpr int32_t dataHeaderSize = static_cast<int32_t>(sizeof(COProcDispatcher::Header));

// Occupied slots come first, so a block whose last slot is taken is full.
int32_t FirstFreeSlot(EventQueueBlock* block, int32_t capacity)
{
    if (SlotAt(block, capacity - 1)->eventCode != 0) {
        return capacity;
    }
    int32_t free = 0;
    while (SlotAt(block, free)->eventCode != 0) {
        ++free;
    }
    return free;
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
    auto spare = std::find_if(spareDataBlocks.begin(), spareDataBlocks.end(), fits);
    if (spare != spareDataBlocks.end()) {
        const DataBlock reused = *spare;
        spareDataBlocks.erase(spare);
        dataBlocks.push_back(reused);
        WriteHeader(*reused.header, size, reused.id, -1);
        return reused;
    }
    for (const DataBlock& delivered : dataBlocks) {
        if (fits(delivered) && sharedLoad(delivered.header->refCount) < 0) {
            WriteHeader(*delivered.header, size, delivered.id, -1);
            return delivered;
        }
    }
    auto* header = static_cast<Header*>(DataHeap()->Alloc(size));
    if (header == nullptr) {
        return {nullptr, 0, 0};
    }
    const auto id = static_cast<int32_t>(DataHeap()->GetID(header));
    WriteHeader(*header, size, id, -1);
    dataBlocks.push_back({header, id, size});
    return dataBlocks.back();
}

bool COProcDispatcher::PutEventInOneQueue(int queueID, COEvent* event)
{
    // The own first block is mapped for the dispatcher's whole life; other
    // queues' blocks are kept views of the queue heap.
    MappedSegment* record = nullptr;
    EventQueueBlock* block = firstBlock;
    int32_t capacity = FIRST_CAPACITY;
    if (queueID != queueId || firstBlock == nullptr) {
        const FileMappingHeap::KeptResult found = queueHeap->MapKept(queueID, &record);
        if (found == FileMappingHeap::KeptResult::Failed) {
            return true; // could not map here and now; the queue itself may be fine
        }
        capacity = found == FileMappingHeap::KeptResult::Mapped ? UsableCapacity(record, queueID) : 0;
        if (capacity <= 0) {
            // Vanished (its owner has gone) or not a queue block.
            queueHeap->DoneKept(record);
            return false;
        }
        block = static_cast<EventQueueBlock*>(record->View());
    }
    Lock(block->header, 0);
    bool hold = false;
    std::vector<int32_t> visited{queueID};
    for (;;) {
        const int32_t free = FirstFreeSlot(block, capacity);
        if (free < capacity) {
            AddRefEventData(event);
            ToSlot(*event, SlotAt(block, free));
            Unlock(block->header);
            // A block its owner has not attached lives on a view of ours until
            // it does; the kept view may go at any sweep, so hold one of its own.
            const int32_t id = visited.back();
            const bool listed = std::any_of(heldBlocks.begin(), heldBlocks.end(),
                                            [id](const BlockView& held) { return held.id == id; });
            if (hold && !listed) {
                if (auto* held = static_cast<EventQueueBlock*>(queueHeap->Map(id))) {
                    heldBlocks.push_back({held, id, capacity});
                }
            }
            queueHeap->DoneKept(record);
            return true;
        }
        const int32_t nextId = block->nextId;
        if (nextId != 0) {
            MappedSegment* nextRecord = nullptr;
            int32_t nextCapacity = -1;
            if (nextId > 0 && std::find(visited.begin(), visited.end(), nextId) == visited.end()) {
                // Only a queue's first block tells whether its owner lives;
                // a chained block kept here is let go at the next sweep.
                const FileMappingHeap::KeptResult found = queueHeap->MapKept(nextId, &nextRecord, false);
                nextCapacity = found == FileMappingHeap::KeptResult::Mapped ? UsableCapacity(nextRecord, nextId) : -1;
            }
            if (nextCapacity > 0) {
                auto* next = static_cast<EventQueueBlock*>(nextRecord->View());
                Lock(next->header, 0);
                if (block->nextBlock == 0) {
                    hold = true;
                }
                Unlock(block->header);
                queueHeap->DoneKept(record);
                block = next;
                record = nextRecord;
                capacity = nextCapacity;
                visited.push_back(nextId);
                continue;
            }
            // Vanished, damaged or leading back into the chain: cut it here
            // and grow a new block in its place.
            queueHeap->DoneKept(nextRecord);
            block->nextId = 0;
        }
        const int32_t newCapacity = NewCapacity(capacity);
        auto* grown = static_cast<EventQueueBlock*>(queueHeap->Alloc(BlockSize(newCapacity)));
        if (grown == nullptr) {
            Unlock(block->header);
            queueHeap->DoneKept(record);
            return true;
        }
        const auto grownId = static_cast<int32_t>(queueHeap->GetID(grown));
        WriteHeader(grown->header, BlockSize(newCapacity), grownId, 0);
        grown->capacity = newCapacity;
        grown->nextId = 0;
        grown->nextBlock = 0;
        for (int32_t i = 0; i < newCapacity; ++i) {
            SlotAt(grown, i)->eventCode = 0;
        }
        block->nextId = grownId;
        AddRefEventData(event);
        ToSlot(*event, SlotAt(grown, 0));
        heldBlocks.push_back({grown, grownId, newCapacity});
        Unlock(grown->header);
        Unlock(block->header);
        queueHeap->DoneKept(record);
        return true;
    }
}

bool COProcDispatcher::RemoveEventFromQueue(COEvent* event)
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
    Lock(firstBlock->header, 0);
    if (SlotAt(firstBlock, 0)->eventCode == 0) {
        const bool chained = firstBlock->nextId != 0;
        Unlock(firstBlock->header);
        if (chained) {
            RemoveFreeEventQueueBlocks();
        }
        FreeEventBlocks();
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
    MappedSegment* record = nullptr;
    EventQueueBlock* next = loops ? nullptr : static_cast<EventQueueBlock*>(queueHeap->Map(nextId, &record));
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

void COProcDispatcher::DetachChainAfter(size_t index)
{
    while (ownChain.size() > index + 1) {
        queueHeap->Free(ownChain.back().block);
        ownChain.pop_back();
    }
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
