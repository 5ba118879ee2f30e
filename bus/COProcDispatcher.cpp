#include "bus/COProcDispatcher.h"

#include "bus/FileMappingHeap.h"
#include "bus/HeapCounters.h"
#include "bus/MappedSegment.h"
#include "bus/ProcQueueLayout.h"
#include "bus/SharedWord.h"
#include "foundation/AnimTime.h"
#include "platform/Clock.h"
#include "platform/CpuRelax.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>

using namespace procqueue;

namespace {

constexpr const char* dataHeapName = "COProcDispatcherHeap";
constexpr int32_t dataHeaderSize = static_cast<int32_t>(sizeof(COProcDispatcher::Header));
constexpr size_t nameBufferSize = 260;
// Destruction waits this many times 100 ms, in all, for owners to attach the
// blocks this process still holds for them.
constexpr int heldBlockWaits = 100;
constexpr uint32_t heldBlockWaitMs = 100;
// A waiting lock polls this long before its first sleep.
constexpr std::chrono::microseconds lockSpin{10};
constexpr int spinsBetweenClockReads = 16;
// Delivered data blocks a sender keeps for reuse: at most this many, and
// after a sweep without reuse no more than the few a steady sender needs.
constexpr size_t spareDataBlockLimit = 1024;
constexpr size_t spareDataBlocksKept = 8;
constexpr uint32_t spareTrimIntervalMs = 50;
constexpr uint32_t keptSweepIntervalMs = 5;

std::mutex staticsLock;
FileMappingHeap* dataHeap = nullptr;
int liveDispatchers = 0;

} // namespace

COProcDispatcher::COProcDispatcher() : COProcDispatcher(nullptr) {}

COProcDispatcher::COProcDispatcher(const char* dispatcherName) : CODispatcher(dispatcherName)
{
    Attach(dispatcherName);
    RequestIdleEvents();
}

void COProcDispatcher::Attach(const char* dispatcherName)
{
    char heapName[nameBufferSize];
    const int length =
        std::snprintf(heapName, sizeof heapName, "%s_Array", dispatcherName != nullptr ? dispatcherName : "");
    if (length < 0 || static_cast<size_t>(length) >= sizeof heapName) {
        return; // a name this long cannot name the shared objects
    }
    // The heap calls OnHeapAttached from its constructor.
    queueHeap = new FileMappingHeap(heapName, this, 0);
    {
        std::lock_guard<std::mutex> guard(staticsLock);
        if (dataHeap == nullptr) {
            dataHeap = new FileMappingHeap(dataHeapName, nullptr, 0);
        }
        ++liveDispatchers;
    }
    if (queueArray == nullptr) {
        return;
    }
    auto* block = static_cast<EventQueueBlock*>(queueHeap->Alloc(BlockSize(FIRST_CAPACITY)));
    if (block == nullptr) {
        return;
    }
    queueId = static_cast<int32_t>(queueHeap->GetID(block));
    WriteHeader(block->header, BlockSize(FIRST_CAPACITY), queueId, 0);
    block->capacity = FIRST_CAPACITY;
    block->nextId = 0;
    block->nextBlock = 0;
    for (int32_t i = 0; i < FIRST_CAPACITY; ++i) {
        SlotAt(block, i)->eventCode = 0;
    }
    Unlock(block->header);
    firstBlock = block;
    ownChain.push_back({block, queueId, FIRST_CAPACITY});

    Lock(queueArray->header, 0);
    for (int32_t i = 0; i < QUEUE_ENTRIES; ++i) {
        if (queueArray->entries[i].queueId == 0) {
            queueArray->entries[i].queueId = queueId;
            queueArray->entries[i].reserved = 0;
            registered = true;
            break;
        }
    }
    Unlock(queueArray->header);
}

void COProcDispatcher::OnHeapAttached(bool created, int32_t* rootSlot, SharedHeap* heap)
{
    if (rootSlot == nullptr) {
        return;
    }
    if (created) {
        auto* array = static_cast<QueueArray*>(heap->Alloc(QUEUE_ARRAY_SIZE));
        if (array == nullptr) {
            return;
        }
        const auto id = static_cast<int32_t>(heap->GetID(array));
        *rootSlot = id;
        WriteHeader(array->header, QUEUE_ARRAY_SIZE, id, 0);
        array->count = QUEUE_ENTRIES;
        std::memset(array->entries, 0, sizeof array->entries);
        Unlock(array->header);
        queueArray = array;
        return;
    }
    const int32_t id = *rootSlot;
    if (id <= 0) {
        return;
    }
    MappedSegment* record = nullptr;
    auto* array = static_cast<QueueArray*>(heap->Map(id, &record));
    // A vanished or foreign array leaves this dispatcher unattached; the view
    // stays with the heap until it is destroyed.
    if (array == nullptr || record->Size() < static_cast<size_t>(QUEUE_ARRAY_SIZE) ||
        array->header.size != QUEUE_ARRAY_SIZE || array->header.id != id) {
        return;
    }
    sharedIncrement(array->header.refCount);
    queueArray = array;
}

COProcDispatcher::~COProcDispatcher()
{
    if (destroyedFlag != nullptr) {
        *destroyedFlag = true;
    }
    UnrequestIdleEvents();
    if (queueArray != nullptr) {
        Lock(queueArray->header, 0);
        for (int32_t i = 0; i < QUEUE_ENTRIES; ++i) {
            if (queueId != 0 && queueArray->entries[i].queueId == queueId) {
                queueArray->entries[i].queueId = 0;
                queueArray->entries[i].reserved = 0;
            }
        }
        Unlock(queueArray->header);
        sharedDecrement(queueArray->header.refCount);
    }
    // Events taken out of the queue but not delivered are let go like those
    // still in it.
    for (; takenNext < taken.size(); ++takenNext) {
        COEvent event{};
        FromSlot(&taken[takenNext], &event);
        UnrefEventData(&event);
    }
    if (firstBlock != nullptr) {
        COEvent event{};
        while (RemoveEventFromQueue(&event)) {
            UnrefEventData(&event);
        }
    }
    for (const auto& [id, block] : dataBlocks) {
        DataHeap()->Free(block.header);
    }
    dataBlocks.clear();
    for (const DataBlock& block : spareDataBlocks) {
        DataHeap()->Free(block.header);
    }
    spareDataBlocks.clear();
    for (const BlockView& spare : spareQueueBlocks) {
        queueHeap->Free(spare.block);
    }
    spareQueueBlocks.clear();
    if (firstBlock != nullptr) {
        RemoveFreeEventQueueBlocks();
    }
    int budget = heldBlockWaits;
    for (const BlockView& held : heldBlocks) {
        Lock(held.block->header, 0);
        while (sharedLoad(held.block->header.refCount) <= 0 && budget >= 0) {
            Unlock(held.block->header);
            utilSleep(heldBlockWaitMs);
            --budget;
            Lock(held.block->header, 0);
        }
        Unlock(held.block->header);
        queueHeap->Free(held.block);
    }
    heldBlocks.clear();
    if (firstBlock != nullptr) {
        sharedDecrement(firstBlock->header.refCount);
    }
    delete queueHeap; // releases every view still mapped, the own chain included
    queueHeap = nullptr;
    std::lock_guard<std::mutex> guard(staticsLock);
    if (dataHeap != nullptr && --liveDispatchers == 0) {
        delete dataHeap;
        dataHeap = nullptr;
    }
}

FileMappingHeap* COProcDispatcher::DataHeap()
{
    return dataHeap;
}

bool COProcDispatcher::HandleEvent(COEvent* event)
{
    if (event->eventCode == EVENT_IDLE) {
        OnIdle(static_cast<unsigned long>(event->Value()));
        return true;
    }
    PutEventInAllQueues(event);
    return true;
}

bool COProcDispatcher::OnIdle(unsigned long)
{
    if (firstBlock == nullptr) {
        return true;
    }
    bool destroyed = false;
    bool* outerFlag = destroyedFlag;
    destroyedFlag = &destroyed;
    COEvent event{};
    while (NextTakenEvent(&event)) {
        MappedSegment* cookie = nullptr;
        Header* header = nullptr;
        if (event.dataSize != 0) {
            header = MapEventData(event, &cookie);
            if (header == nullptr) {
                continue; // vanished or not a block of this event: dropped
            }
            event.data = reinterpret_cast<char*>(header) + dataHeaderSize;
        }
        FileMappingHeap* heap = DataHeap();
        CODispatcher::HandleEvent(&event);
        // A block of this dispatcher's own went with it if a receiver
        // destroyed it; a kept view stays with the heap.
        const bool viewGone = destroyed && cookie == nullptr;
        if (header != nullptr && heap == DataHeap() && !viewGone) {
            // The count goes down through the view still at hand; the creator
            // frees or reuses the block once it is below 0.
            sharedDecrement(header->refCount);
            heap->DoneKept(cookie);
        }
        if (destroyed) {
            // A receiver destroyed this dispatcher: nothing of it may be used.
            if (outerFlag != nullptr) {
                *outerFlag = true;
            }
            return true;
        }
    }
    destroyedFlag = outerFlag;
    RetireDeliveredData();
    SweepKeptViews();
    return true;
}

// The next event to deliver: one taken out of the own queue earlier in this
// pass, or the first of the events the queue holds now.
bool COProcDispatcher::NextTakenEvent(COEvent* event)
{
    if (takenNext == taken.size()) {
        taken.clear();
        takenNext = 0;
        if (!TakeQueuedEvents()) {
            return false;
        }
    }
    FromSlot(&taken[takenNext++], event);
    return true;
}

// Blocks every queue has delivered are kept for reuse, or freed.
void COProcDispatcher::RetireDeliveredData()
{
    for (auto it = dataBlocks.begin(); it != dataBlocks.end();) {
        const DataBlock block = it->second;
        if (sharedLoad(block.header->refCount) >= 0) {
            ++it;
            continue;
        }
        it = dataBlocks.erase(it);
        if (spareDataBlocks.size() < spareDataBlockLimit) {
            spareDataBlocks.push_back(block);
        } else {
            DataHeap()->Free(block.header);
        }
    }
}

// Kept views are let go every few milliseconds, on the next idle pass. Spare
// data blocks that no put wanted over a longer while go back to the heap: as
// many as the spare list never fell below, oldest first, beyond a few.
void COProcDispatcher::SweepKeptViews()
{
    const uint32_t now = platform::MillisecondClock();
    if (now - lastSweep < keptSweepIntervalMs) {
        return;
    }
    lastSweep = now;
    queueHeap->SweepKept();
    if (DataHeap() == nullptr) {
        return;
    }
    // A data block's number is never named again once its creator has let it
    // go, so a view used since the last sweep may stay for the next one.
    DataHeap()->SweepKept(true);
    if (now - lastSpareTrim < spareTrimIntervalMs) {
        return;
    }
    lastSpareTrim = now;
    const size_t unwanted = sparesLowWater > spareDataBlocksKept ? sparesLowWater - spareDataBlocksKept : 0;
    for (size_t i = 0; i < unwanted; ++i) {
        DataHeap()->Free(spareDataBlocks[i].header);
    }
    spareDataBlocks.erase(spareDataBlocks.begin(), spareDataBlocks.begin() + static_cast<std::ptrdiff_t>(unwanted));
    sparesLowWater = spareDataBlocks.size();
}

// Maps the data block an event names and checks that it is one: the right id
// and a size that matches the event and fits the mapping. Null, with nothing
// left mapped, otherwise.
COProcDispatcher::Header* COProcDispatcher::MapEventData(const COEvent& event, MappedSegment** cookie)
{
    const auto id = static_cast<int32_t>(event.Value());
    if (DataHeap() == nullptr || event.dataSize < 0 || event.dataSize > 0x7fffffff - dataHeaderSize || id < 0) {
        return nullptr;
    }
    const int32_t expected = event.dataSize + dataHeaderSize;
    // A block of this process is read through its own view.
    const auto own = dataBlocks.find(id);
    if (own != dataBlocks.end()) {
        *cookie = nullptr;
        return own->second.room >= expected && own->second.header->size == expected ? own->second.header : nullptr;
    }
    // A kept data block is the one the event names: its creator rewrites it
    // only after every slot that named it has been delivered. One that nobody
    // else holds any more reads as vanished, as a fresh mapping would.
    if (DataHeap()->MapKept(id, cookie) != FileMappingHeap::KeptResult::Mapped) {
        return nullptr;
    }
    auto* header = static_cast<Header*>((*cookie)->View());
    if ((*cookie)->Size() < static_cast<size_t>(expected) || header->size != expected || header->id != id) {
        DataHeap()->DoneKept(*cookie);
        return nullptr;
    }
    return header;
}

COProcDispatcher::Header* COProcDispatcher::staticGetHeader(void* data)
{
    return reinterpret_cast<Header*>(static_cast<char*>(data) - dataHeaderSize);
}

bool COProcDispatcher::Lock(Header& header, int timeout)
{
    uint32_t deadline = 0;
    bool deadlineSet = false;
    // Holders keep a block for well under a microsecond and, wherever they
    // can, not across a system call: a short spin before the first 10 ms
    // sleep saves the sleep in nearly every wait.
    bool spinning = true;
    const auto spinStart = std::chrono::steady_clock::now();
    for (;;) {
        while (sharedLoad(header.lock) >= 0) {
            if (spinning) {
                for (int i = 0; i < spinsBetweenClockReads; ++i) {
                    platform::CpuRelax();
                }
                spinning = std::chrono::steady_clock::now() - spinStart < lockSpin;
                continue;
            }
            if (timeout != 0) {
                if (!deadlineSet) {
                    deadline = platform::MillisecondClock() + static_cast<uint32_t>(timeout);
                    deadlineSet = true;
                }
                if (deadline < platform::MillisecondClock()) {
                    return false;
                }
            }
            heapCount(HeapCost::LockSleep);
            utilSleep(10);
        }
        int32_t seen = sharedLoad(header.lock);
        if (seen < -1) {
            // A damaged word below "free" would never come back to 0 by
            // increments: take it over as held.
            if (std::atomic_ref<int32_t>(header.lock).compare_exchange_strong(seen, 0)) {
                return true;
            }
            continue;
        }
        if (sharedIncrement(header.lock) == 0) {
            return true;
        }
        sharedDecrement(header.lock);
    }
}

void COProcDispatcher::Unlock(Header& header)
{
    sharedDecrement(header.lock);
}

long COProcDispatcher::staticAddRefSharedMemory(void* data)
{
    return sharedIncrement(staticGetHeader(data)->refCount);
}

void COProcDispatcher::staticUnrefSharedMemory(void* data)
{
    Header* header = staticGetHeader(data);
    if (sharedDecrement(header->refCount) < 0 && DataHeap() != nullptr) {
        DataHeap()->Free(header);
    }
}

bool COProcDispatcher::staticLockSharedMemory(void* data, int timeout)
{
    return Lock(*staticGetHeader(data), timeout);
}

void COProcDispatcher::staticUnlockSharedMemory(void* data)
{
    Unlock(*staticGetHeader(data));
}

long COProcDispatcher::AddRefEventData(COEvent* event)
{
    // The block being put is this process's own: its count changes through
    // the view at hand.
    if (puttingData.header != nullptr && event->dataSize != 0 && event->Value() == puttingData.id) {
        return sharedIncrement(puttingData.header->refCount);
    }
    return ChangeDataReference(*event, +1);
}

void COProcDispatcher::UnrefEventData(COEvent* event)
{
    // Reaching -1 frees nothing here: the creator frees its view when idle.
    ChangeDataReference(*event, -1);
}

long COProcDispatcher::ChangeDataReference(const COEvent& event, int delta)
{
    if (event.dataSize == 0 || DataHeap() == nullptr) {
        return 0;
    }
    MappedSegment* cookie = nullptr;
    auto* header = static_cast<Header*>(DataHeap()->Map(event.Value(), &cookie));
    long count = 0;
    if (header != nullptr && cookie->Size() >= sizeof(Header)) {
        count = delta > 0 ? sharedIncrement(header->refCount) : sharedDecrement(header->refCount);
    }
    DataHeap()->Unmap(cookie);
    return count;
}
