#include "bus/DeadHolderRepair.h"

#include "bus/ProcQueueLayout.h"

#include <cstring>

using namespace procqueue;

void DeadHolderRepair::Table(Header& header)
{
    auto& table = reinterpret_cast<COProcDispatcher::QueueArray&>(header);
    if (header.size != COProcDispatcher::QUEUE_ARRAY_SIZE) {
        return;
    }
    table.count = COProcDispatcher::QUEUE_ENTRIES;
    for (COProcDispatcher::QueueEntry& entry : table.entries) {
        if (entry.queueId <= 0) {
            entry.queueId = 0;
            entry.reserved = 0;
        }
    }
}

void DeadHolderRepair::Block(Header& header)
{
    auto* block = reinterpret_cast<EventQueueBlock*>(&header);
    const int32_t capacity = block->capacity;
    if (capacity < 1 || capacity > COProcDispatcher::MAX_CAPACITY || header.size != BlockSize(capacity)) {
        return;
    }
    int32_t packed = 0;
    for (int32_t i = 0; i < capacity; ++i) {
        if (SlotAt(block, i)->eventCode == 0) {
            continue;
        }
        if (i != packed) {
            std::memcpy(SlotAt(block, packed), SlotAt(block, i), sizeof(EventSlot));
        }
        ++packed;
    }
    std::memset(SlotAt(block, packed), 0, static_cast<size_t>(capacity - packed) * sizeof(EventSlot));
    if (block->nextId < 0) {
        block->nextId = 0;
        block->nextBlock = 0;
    }
}
