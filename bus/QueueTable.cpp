#include "bus/QueueTable.h"

#include "bus/LockHolder.h"
#include "bus/LockPauseHook.h"
#include "bus/MappedSegment.h"
#include "bus/ProcQueueLayout.h"
#include "bus/SharedHeap.h"
#include "bus/SharedWord.h"

#include <atomic>
#include <cstring>

void QueueTable::Attach(bool created, int32_t* rootSlot, SharedHeap& heap)
{
    constexpr int32_t size = COProcDispatcher::QUEUE_ARRAY_SIZE;
    if (rootSlot == nullptr) {
        return;
    }
    if (created) {
        auto* table = static_cast<QueueArray*>(heap.Alloc(size));
        if (table == nullptr) {
            return;
        }
        const auto id = static_cast<int32_t>(heap.GetID(table));
        *rootSlot = id;
        procqueue::WriteHeader(table->header, size, id, 0);
        table->count = COProcDispatcher::QUEUE_ENTRIES;
        std::memset(table->entries, 0, sizeof table->entries);
        SharedSpinLock::Unlock(table->header);
        array = table;
        return;
    }
    const int32_t id = *rootSlot;
    if (id <= 0) {
        return;
    }
    MappedSegment* record = nullptr;
    auto* table = static_cast<QueueArray*>(heap.Map(id, &record));
    // The view of a vanished or foreign table stays with the heap until it is
    // destroyed.
    if (table == nullptr || record->Size() < static_cast<size_t>(size) || table->header.size != size ||
        table->header.id != id) {
        return;
    }
    sharedIncrement(table->header.refCount);
    array = table;
}

bool QueueTable::Register(int32_t queueId)
{
    bool registered = false;
    SharedSpinLock::Lock(array->header, 0, DeadHolderRepair::Table);
    for (COProcDispatcher::QueueEntry& entry : array->entries) {
        if (entry.queueId == 0) {
            // The owner first: a table holder that dies here leaves a free
            // entry, never a queue without its owner.
            entry.reserved = LockHolder::Own();
            LockPauseHook::At(LockPauseHook::Site::Table);
            entry.queueId = queueId;
            registered = true;
            break;
        }
    }
    SharedSpinLock::Unlock(array->header);
    return registered;
}

bool QueueTable::IsOwnerGone(int32_t queueId)
{
    if (array == nullptr) {
        return true;
    }
    gone.Note(*array);
    for (const COProcDispatcher::QueueEntry& entry : array->entries) {
        if (std::atomic_ref<int32_t>(const_cast<int32_t&>(entry.queueId)).load() == queueId) {
            return gone.IsGone(entry.reserved);
        }
    }
    return true;
}

void QueueTable::Leave(int32_t queueId)
{
    SharedSpinLock::Lock(array->header, 0, DeadHolderRepair::Table);
    for (COProcDispatcher::QueueEntry& entry : array->entries) {
        if (queueId != 0 && entry.queueId == queueId) {
            entry.queueId = 0;
            entry.reserved = 0;
        }
    }
    SharedSpinLock::Unlock(array->header);
    sharedDecrement(array->header.refCount);
}
