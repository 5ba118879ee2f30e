#pragma once

#include "bus/COProcDispatcher.h"

#include <algorithm>
#include <cstring>

// Helpers for the shared queue layouts of COProcDispatcher, used only by its
// own sources.
namespace procqueue {

using EventSlot = COProcDispatcher::EventSlot;
using EventQueueBlock = COProcDispatcher::EventQueueBlock;

inline EventSlot* SlotAt(EventQueueBlock* block, int32_t index)
{
    return reinterpret_cast<EventSlot*>(reinterpret_cast<char*>(block) + COProcDispatcher::BLOCK_HEADER_SIZE +
                                        static_cast<size_t>(index) * sizeof(EventSlot));
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
    std::memcpy(slot, &copy, sizeof copy);
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
    header.size = size;
    header.id = id;
    header.refCount = refCount;
    header.reserved = 0;
}

inline int32_t NewCapacity(int32_t current)
{
    const int32_t doubled = current > COProcDispatcher::MAX_CAPACITY ? COProcDispatcher::MAX_CAPACITY : current * 2;
    return std::clamp(doubled, COProcDispatcher::FIRST_CAPACITY, COProcDispatcher::MAX_CAPACITY);
}

} // namespace procqueue
