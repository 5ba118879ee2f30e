// The queue walks of COProcDispatcher: putting an event into every attached
// queue, taking events out of the own queue, and the chain of blocks a queue
// grows into.

#include "events/COProcDispatcher.h"

#include "events/FileMappingHeap.h"
#include "events/MappedSegment.h"
#include "events/ProcQueueLayout.h"
#include "events/SharedWord.h"

#include <algorithm>
#include <cstring>

using namespace procqueue;

namespace {
constexpr int32_t dataHeaderSize = static_cast<int32_t>(sizeof(COProcDispatcher::Header));

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
        void* view = DataHeap()->Alloc(size + dataHeaderSize);
        if (view == nullptr) {
            return;
        }
        auto* header = static_cast<Header*>(view);
        const auto id = static_cast<int32_t>(DataHeap()->GetID(view));
        WriteHeader(*header, size + dataHeaderSize, id, -1);
        std::memcpy(static_cast<char*>(view) + dataHeaderSize, event->data, static_cast<size_t>(size));
        event->SetValue(id);
        Unlock(*header);
        dataBlocks.push_back(view);
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
}

bool COProcDispatcher::PutEventInOneQueue(int queueID, COEvent* event)
{
    MappedSegment* record = nullptr;
    auto* block = static_cast<EventQueueBlock*>(queueHeap->Map(queueID, &record));
    if (block == nullptr) {
        // Could not map here and now; the queue itself may be fine.
        queueHeap->Unmap(record);
        return true;
    }
    int32_t capacity = UsableCapacity(record, queueID);
    if (capacity <= 0) {
        // Vanished (its owner has gone) or not a queue block.
        queueHeap->Unmap(record);
        return false;
    }
    Lock(block->header, 0);
    bool hold = false;
    std::vector<int32_t> visited{queueID};
    for (;;) {
        for (int32_t i = 0; i < capacity; ++i) {
            EventSlot* slot = SlotAt(block, i);
            if (slot->eventCode != 0) {
                continue;
            }
            AddRefEventData(event);
            ToSlot(*event, slot);
            Unlock(block->header);
            // A block its owner has not attached lives on our view until it does.
            const bool listed = std::any_of(heldBlocks.begin(), heldBlocks.end(),
                                            [block](const BlockView& held) { return held.block == block; });
            if (hold && !listed) {
                heldBlocks.push_back({block, visited.back(), capacity});
            } else if (!hold) {
                queueHeap->Unmap(record);
            }
            return true;
        }
        const int32_t nextId = block->nextId;
        if (nextId != 0) {
            MappedSegment* nextRecord = nullptr;
            EventQueueBlock* next = nullptr;
            int32_t nextCapacity = -1;
            if (nextId > 0 && std::find(visited.begin(), visited.end(), nextId) == visited.end()) {
                next = static_cast<EventQueueBlock*>(queueHeap->Map(nextId, &nextRecord));
                nextCapacity = UsableCapacity(nextRecord, nextId);
            }
            if (nextCapacity > 0) {
                Lock(next->header, 0);
                if (block->nextBlock == 0) {
                    hold = true;
                }
                Unlock(block->header);
                queueHeap->Unmap(record);
                block = next;
                record = nextRecord;
                capacity = nextCapacity;
                visited.push_back(nextId);
                continue;
            }
            // Vanished, damaged or leading back into the chain: cut it here
            // and grow a new block in its place.
            queueHeap->Unmap(nextRecord);
            block->nextId = 0;
        }
        const int32_t newCapacity = NewCapacity(capacity);
        auto* grown = static_cast<EventQueueBlock*>(queueHeap->Alloc(BlockSize(newCapacity)));
        if (grown == nullptr) {
            Unlock(block->header);
            queueHeap->Unmap(record);
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
        queueHeap->Unmap(record);
        return true;
    }
}

bool COProcDispatcher::RemoveEventFromQueue(COEvent* event)
{
    if (firstBlock == nullptr) {
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
    std::memmove(SlotAt(previous, 0), SlotAt(previous, 1), (previousCapacity - 1) * sizeof(EventSlot));
    while (EventQueueBlock* next = GetNextEventQueueBlock(previous)) {
        const int32_t nextCapacity = CapacityOf(next);
        Lock(next->header, 0);
        std::memcpy(SlotAt(previous, previousCapacity - 1), SlotAt(next, 0), sizeof(EventSlot));
        std::memmove(SlotAt(next, 0), SlotAt(next, 1), (nextCapacity - 1) * sizeof(EventSlot));
        Unlock(previous->header);
        previous = next;
        previousCapacity = nextCapacity;
    }
    std::memset(SlotAt(previous, previousCapacity - 1), 0, sizeof(EventSlot));
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
