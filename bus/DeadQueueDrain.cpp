#include "bus/DeadQueueDrain.h"

#include "bus/FileMappingHeap.h"
#include "bus/MappedSegment.h"
#include "bus/OwnDataBlocks.h"
#include "bus/ProcQueueLayout.h"

#include <vector>

using namespace procqueue;

namespace {
// A chain is never longer than this; a longer one leads back into itself.
constexpr int chainLimit = 4096;
} // namespace

void DeadQueueDrain::Drain(FileMappingHeap& queueHeap, FileMappingHeap* dataHeap, int32_t queueId)
{
    int32_t id = queueId;
    for (int walked = 0; id > 0 && walked < chainLimit; ++walked) {
        MappedSegment* record = nullptr;
        queueHeap.Map(id, &record);
        const int32_t capacity = UsableCapacity(record, id);
        if (capacity <= 0) {
            queueHeap.Unmap(record);
            return;
        }
        auto* block = static_cast<EventQueueBlock*>(record->View());
        std::vector<EventSlot> slots;
        LockBlock(block);
        const int32_t used = FirstFreeSlot(block, capacity);
        slots.assign(SlotAt(block, 0), SlotAt(block, 0) + used);
        std::memset(SlotAt(block, 0), 0, static_cast<size_t>(used) * sizeof(EventSlot));
        id = block->nextId;
        UnlockBlock(block);
        queueHeap.Unmap(record);
        for (const EventSlot& slot : slots) {
            COEvent event{};
            FromSlot(&slot, &event);
            if (event.dataSize > 0) {
                OwnDataBlocks::ChangeReference(dataHeap, event, -1);
            }
        }
    }
}
