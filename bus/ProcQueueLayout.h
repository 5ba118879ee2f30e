#pragma once

#include "bus/COProcDispatcher.h"
#include "bus/DeadHolderRepair.h"
#include "bus/LockHolder.h"
#include "bus/MappedSegment.h"
#include "bus/SharedSpinLock.h"

#include <algorithm>
#include <atomic>
#include <cstring>

// Helpers for the shared queue layouts of COProcDispatcher, used only by the
// bus's own sources.
namespace procqueue {

using EventSlot = COProcDispatcher::EventSlot;
using EventQueueBlock = COProcDispatcher::EventQueueBlock;

// A queue block this process has mapped, with the capacity it may use: the
// block's own capacity as checked against the mapping.
struct BlockView {
    EventQueueBlock* block;
    int32_t id;
    int32_t capacity;
};

inline EventSlot* SlotAt(EventQueueBlock* block, int32_t index)
{
    return reinterpret_cast<EventSlot*>(reinterpret_cast<char*>(block) + COProcDispatcher::BLOCK_HEADER_SIZE +
                                        static_cast<size_t>(index) * sizeof(EventSlot));
}

inline void LockBlock(EventQueueBlock* block)
{
    SharedSpinLock::Lock(block->header, 0, DeadHolderRepair::Block);
}

inline void UnlockBlock(EventQueueBlock* block)
{
    SharedSpinLock::Unlock(block->header);
}

inline int32_t BlockSize(int32_t capacity)
{
    return COProcDispatcher::BLOCK_HEADER_SIZE + capacity * static_cast<int32_t>(sizeof(EventSlot));
}

// The slot keeps the 28-byte layout whatever the width of a pointer here;
// data holds a 32-bit value or a data block id.
inline void ToSlot(const COEvent& event, EventSlot* slot)
{
    EventSlot copy;
    copy.senderID = event.senderID;
    copy.targetID = event.targetID;
    copy.addresseeID = event.addresseeID;
    copy.route = event.route;
    copy.padding = event.padding;
    copy.eventCode = event.eventCode;
    copy.dataSize = event.dataSize;
    copy.data = static_cast<int32_t>(event.Value());
    // The code goes in last: a holder that dies midway leaves a free slot,
    // never an event with parts missing.
    copy.eventCode = 0;
    std::memcpy(slot, &copy, sizeof copy);
    std::atomic_ref<uint32_t>(slot->eventCode).store(event.eventCode, std::memory_order_release);
}

inline void FromSlot(const EventSlot* slot, COEvent* event)
{
    EventSlot copy;
    std::memcpy(&copy, slot, sizeof copy);
    event->senderID = copy.senderID;
    event->targetID = copy.targetID;
    event->addresseeID = copy.addresseeID;
    event->route = copy.route;
    event->padding = copy.padding;
    event->eventCode = copy.eventCode;
    event->dataSize = copy.dataSize;
    event->SetValue(copy.data);
}

// What the owner writes into nextBlock: its view's address where that fits in
// 32 bits, and in any case a value that is not 0.
inline int32_t AttachToken(const void* view)
{
    const auto token = static_cast<int32_t>(reinterpret_cast<uintptr_t>(view));
    return token != 0 ? token : 1;
}

inline void WriteHeader(COProcDispatcher::Header& header, int32_t size, int32_t id, int32_t refCount)
{
    header.lock = 0; // held by its creator until its fields are written
    header.reserved = LockHolder::Own();
    header.size = size;
    header.id = id;
    header.refCount = refCount;
}

// Writes a block as new and empty, still locked by its creator.
inline void WriteEmptyBlock(EventQueueBlock* block, int32_t id, int32_t capacity)
{
    WriteHeader(block->header, BlockSize(capacity), id, 0);
    block->capacity = capacity;
    block->nextId = 0;
    block->nextBlock = 0;
    for (int32_t i = 0; i < capacity; ++i) {
        SlotAt(block, i)->eventCode = 0;
    }
}

// Under its lock a block's occupied slots come first, so the first free one
// is found by halving.
inline int32_t FirstFreeSlot(EventQueueBlock* block, int32_t capacity)
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
inline bool StillMatches(const EventQueueBlock* block, int32_t id, int32_t capacity)
{
    return block->header.id == id && block->capacity == capacity && block->header.size == BlockSize(capacity);
}

inline bool HasOccupiedSlot(EventQueueBlock* block, int32_t capacity)
{
    for (int32_t i = 0; i < capacity; ++i) {
        if (SlotAt(block, i)->eventCode != 0) {
            return true;
        }
    }
    return false;
}

// The block's capacity when the mapping holds a queue block with that id whose
// size matches its capacity; 0 for a vanished segment, -1 for anything else.
inline int32_t UsableCapacity(const MappedSegment* record, int32_t expectedId)
{
    if (record == nullptr || record->View() == nullptr ||
        record->Size() < static_cast<size_t>(COProcDispatcher::BLOCK_HEADER_SIZE)) {
        return -1;
    }
    const auto* block = static_cast<const EventQueueBlock*>(record->View());
    const int32_t size = block->header.size;
    const int32_t capacity = block->capacity;
    if (size == 0) {
        return 0;
    }
    if (block->header.id != expectedId || capacity < 1 || capacity > COProcDispatcher::MAX_CAPACITY ||
        size != BlockSize(capacity) || record->Size() < static_cast<size_t>(size)) {
        return -1;
    }
    return capacity;
}

inline int32_t NewCapacity(int32_t current)
{
    const int32_t doubled = current > COProcDispatcher::MAX_CAPACITY ? COProcDispatcher::MAX_CAPACITY : current * 2;
    return std::clamp(doubled, COProcDispatcher::FIRST_CAPACITY, COProcDispatcher::MAX_CAPACITY);
}

} // namespace procqueue
