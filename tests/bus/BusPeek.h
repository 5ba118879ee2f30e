#pragma once

#include "bus/COProcDispatcher.h"
#include "bus/FileMappingHeap.h"
#include "bus/MappedSegment.h"
#include "bus/SharedHeapClient.h"

#include <string>
#include <vector>

// What another program on the bus sees: attaches to a bus's queue heap like a
// peer would and reaches the queue table, queue blocks and data blocks by
// number, so tests can read the shared state and write nonsense into it.
class BusPeek : private SharedHeapClient {
public:
    using Header = COProcDispatcher::Header;
    using QueueArray = COProcDispatcher::QueueArray;
    using EventQueueBlock = COProcDispatcher::EventQueueBlock;
    using EventSlot = COProcDispatcher::EventSlot;

    explicit BusPeek(const std::string& bus)
        : queueHeap((bus + "_Array").c_str(), this, 0), dataHeap("COProcDispatcherHeap", nullptr, 0)
    {
    }

    QueueArray* Array() { return array; }

    std::vector<int32_t> QueueIds()
    {
        std::vector<int32_t> ids;
        for (const auto& entry : array->entries) {
            if (entry.queueId != 0) {
                ids.push_back(entry.queueId);
            }
        }
        return ids;
    }

    EventQueueBlock* Block(int32_t id) { return static_cast<EventQueueBlock*>(queueHeap.Map(id)); }
    Header* Data(int32_t id) { return static_cast<Header*>(dataHeap.Map(id)); }

    static EventSlot* Slot(EventQueueBlock* block, int index)
    {
        return reinterpret_cast<EventSlot*>(reinterpret_cast<char*>(block) + COProcDispatcher::BLOCK_HEADER_SIZE +
                                            index * sizeof(EventSlot));
    }

    // The capacities of a queue's chain, first block first.
    std::vector<int32_t> Chain(int32_t queueId)
    {
        std::vector<int32_t> capacities;
        for (int32_t id = queueId; id != 0 && capacities.size() < 64;) {
            EventQueueBlock* block = Block(id);
            capacities.push_back(block->capacity);
            id = block->nextId;
        }
        return capacities;
    }

private:
    void OnHeapAttached(bool, int32_t* rootSlot, SharedHeap* heap) override
    {
        if (rootSlot != nullptr && *rootSlot > 0) {
            array = static_cast<QueueArray*>(heap->Map(*rootSlot));
        }
    }

    QueueArray* array = nullptr;
    FileMappingHeap queueHeap;
    FileMappingHeap dataHeap;
};
