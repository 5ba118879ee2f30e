#pragma once

#include "bus/COProcDispatcher.h"
#include "bus/DeadHolderRepair.h"
#include "bus/GoneOwners.h"
#include "bus/SharedSpinLock.h"

#include <algorithm>
#include <cstdint>
#include <vector>

class SharedHeap;

// The bus's table of queues: the block the queue heap's root slot names, one
// entry per attached dispatcher. The first process to attach to the heap
// creates it (from the heap's constructor, with the heap's mutex held); every
// later one maps it through the root slot and counts a reference. Entries are
// read and changed only under the table's header lock, which is taken before
// any queue block's. Any process on the bus may change any entry: a sender
// clears the entries of queues that have vanished.
class QueueTable {
public:
    using QueueArray = COProcDispatcher::QueueArray;

    // Creates or maps the table; a vanished or foreign one leaves it unattached.
    void Attach(bool created, int32_t* rootSlot, SharedHeap& heap);
    QueueArray* Array() const { return array; }

    // Takes the first free entry for the queue; false when the table is full.
    bool Register(int32_t queueId);
    // True when the queue is no longer in the table or its owner has ended.
    bool IsOwnerGone(int32_t queueId);
    // Clears the queue's entries and lets go of this process's reference.
    void Leave(int32_t queueId);

    // Calls put(queueId, owner) for every entry under the table's lock, with
    // the owner word the entry records (0 when its owner recorded none),
    // clearing the
    // entries put refuses and those that are damage. Entries whose owner has
    // ended are cleared without a put and listed in `ofGoneOwners`, whose
    // queues the caller then drains.
    template <class PutOne> void PutInEveryQueue(PutOne put, std::vector<int32_t>& ofGoneOwners)
    {
        gone.Note(*array);
        SharedSpinLock::Lock(array->header, 0, DeadHolderRepair::Table);
        const int32_t count = std::clamp(array->count, 0, COProcDispatcher::QUEUE_ENTRIES);
        for (int32_t i = 0; i < count; ++i) {
            const int32_t id = array->entries[i].queueId;
            if (id == 0) {
                continue;
            }
            if (id > 0 && gone.IsGone(array->entries[i].reserved)) {
                array->entries[i].queueId = 0;
                array->entries[i].reserved = 0;
                ofGoneOwners.push_back(id);
                continue;
            }
            // Segment 0 is the root slot, so a queue id below 1 is damage.
            if (id < 0 || !put(id, array->entries[i].reserved)) {
                array->entries[i].queueId = 0;
                array->entries[i].reserved = 0;
            }
        }
        SharedSpinLock::Unlock(array->header);
    }

private:
    QueueArray* array = nullptr;
    GoneOwners gone;
};
