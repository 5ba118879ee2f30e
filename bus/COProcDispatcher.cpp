#include "bus/COProcDispatcher.h"

#include "bus/DataBackPressure.h"
#include "bus/DataBlockReader.h"
#include "bus/DeadQueueDrain.h"
#include "bus/FileMappingHeap.h"
#include "bus/MappedSegment.h"
#include "bus/OwnDataBlocks.h"
#include "bus/OwnQueue.h"
#include "bus/ProcessDataHeap.h"
#include "bus/QueuePutter.h"
#include "bus/QueueTable.h"
#include "bus/SharedSpinLock.h"
#include "bus/SharedWord.h"
#include "platform/Clock.h"

#include <cstdio>

namespace {
constexpr int32_t dataHeaderSize = static_cast<int32_t>(sizeof(COProcDispatcher::Header));
constexpr size_t nameBufferSize = 260;
// Kept views are let go every few milliseconds.
constexpr uint32_t keptSweepIntervalMs = 5;
// A kept view of a peer's data block goes after this many sweeps unused.
constexpr int dataViewIdleSweeps = 200;
} // namespace

COProcDispatcher::COProcDispatcher() : COProcDispatcher(nullptr) {}

COProcDispatcher::COProcDispatcher(const char* dispatcherName)
    : CODispatcher(dispatcherName), table(std::make_unique<QueueTable>())
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
    // The heap calls OnHeapAttached from its constructor. The process's data
    // heap is held exactly as long as the queue heap exists.
    queueHeap = new FileMappingHeap(heapName, this, 0);
    FileMappingHeap* dataHeap = ProcessDataHeap::Acquire();
    ownQueue = std::make_unique<OwnQueue>(*queueHeap);
    dataBlocks = std::make_unique<OwnDataBlocks>(*dataHeap);
    putter = std::make_unique<QueuePutter>(*queueHeap, *ownQueue, *dataBlocks);
    backPressure = std::make_unique<DataBackPressure>(*dataBlocks);
    if (table->Array() == nullptr || !ownQueue->Create()) {
        return;
    }
    registered = table->Register(ownQueue->Id());
}

void COProcDispatcher::OnHeapAttached(bool created, int32_t* rootSlot, SharedHeap* heap)
{
    table->Attach(created, rootSlot, *heap);
}

COProcDispatcher::~COProcDispatcher()
{
    if (destroyedFlag != nullptr) {
        *destroyedFlag = true;
    }
    UnrequestIdleEvents();
    if (table->Array() != nullptr) {
        table->Leave(GetQueueID());
    }
    if (queueHeap == nullptr) {
        return;
    }
    // Events taken out of the queue but not delivered are let go like those
    // still in it.
    COEvent event{};
    while (ownQueue->NextTaken(&event)) {
        UnrefEventData(&event);
    }
    while (RemoveEventFromQueue(&event)) {
        UnrefEventData(&event);
    }
    dataBlocks->FreeAll();
    if (ownQueue->First() != nullptr) {
        ownQueue->CutEmptyTail();
    }
    putter->ReleaseAll([this](int32_t queueId) { return table->IsOwnerGone(queueId); });
    if (ownQueue->First() != nullptr) {
        sharedDecrement(ownQueue->First()->header.refCount);
    }
    delete queueHeap; // releases every view still mapped, the own chain included
    queueHeap = nullptr;
    ProcessDataHeap::Release();
}

bool COProcDispatcher::IsRegistered() const
{
    return table->Array() != nullptr && registered;
}

bool COProcDispatcher::IsAttached() const
{
    return table->Array() != nullptr && ownQueue != nullptr && ownQueue->First() != nullptr;
}

bool COProcDispatcher::HasUndeliveredData() const
{
    return dataBlocks != nullptr && dataBlocks->HasUndelivered();
}

void COProcDispatcher::SetDataBlockLimit(size_t limit)
{
    if (backPressure != nullptr) {
        backPressure->SetLimit(limit);
    }
}

uint32_t COProcDispatcher::EventsNotPut() const
{
    return backPressure != nullptr ? backPressure->NotPut() : 0;
}

int32_t COProcDispatcher::GetQueueID() const
{
    return ownQueue != nullptr ? ownQueue->Id() : 0;
}

bool COProcDispatcher::HandleEvent(COEvent* event)
{
    if (event->eventCode == EVENT_IDLE) {
        OnIdle(static_cast<unsigned long>(event->Value()));
        return true;
    }
    // The one failure a sender is told of: the event was not put.
    return PutEverywhere(event);
}

bool COProcDispatcher::OnIdle(unsigned long)
{
    if (!IsAttached()) {
        return true;
    }
    bool destroyed = false;
    bool* outerFlag = destroyedFlag;
    destroyedFlag = &destroyed;
    COEvent event{};
    while (NextTakenEvent(&event)) {
        if (!DeliverTaken(event, destroyed)) {
            // A receiver destroyed this dispatcher: nothing of it may be used.
            if (outerFlag != nullptr) {
                *outerFlag = true;
            }
            return true;
        }
    }
    destroyedFlag = outerFlag;
    dataBlocks->RetireDelivered();
    SweepKeptViews();
    return true;
}

// The next event to deliver: one taken out of the own queue earlier in this
// pass, or the first of the events the queue holds now.
bool COProcDispatcher::NextTakenEvent(COEvent* event)
{
    if (ownQueue->NextTaken(event)) {
        return true;
    }
    if (!LockNonEmptyQueue()) {
        return false;
    }
    ownQueue->TakeAllLocked();
    return ownQueue->NextTaken(event);
}

// Hands one event to the local receivers with its data mapped, and counts
// the delivery on the data block. False when a receiver destroyed this
// dispatcher: from then on only locals and the process's statics are used.
bool COProcDispatcher::DeliverTaken(COEvent& event, const bool& destroyed)
{
    // Held by this dispatcher, but gone or another once a receiver destroyed
    // the process's last one.
    FileMappingHeap* heap = ProcessDataHeap::Get();
    MappedSegment* cookie = nullptr;
    Header* header = nullptr;
    if (event.dataSize != 0) {
        header = DataBlockReader::Map(*heap, *dataBlocks, event, &cookie);
        if (header == nullptr) {
            return true; // vanished or not a block of this event: dropped
        }
        event.data = reinterpret_cast<char*>(header) + dataHeaderSize;
    }
    CODispatcher::HandleEvent(&event);
    // A block of this dispatcher's own went with it if a receiver destroyed
    // it; a kept view stays with the heap.
    const bool viewGone = destroyed && cookie == nullptr;
    if (header != nullptr && heap == ProcessDataHeap::Get() && !viewGone) {
        DataBlockReader::Delivered(*heap, header, cookie);
    }
    return !destroyed;
}

// Kept views are let go every few milliseconds, on the next idle pass, and
// now and then the spare data blocks that no put wanted.
void COProcDispatcher::SweepKeptViews()
{
    const uint32_t now = platform::MillisecondClock();
    if (now - lastSweep < keptSweepIntervalMs) {
        return;
    }
    lastSweep = now;
    queueHeap->SweepKept();
    // A data block's creator marks it before it lets it go, so a kept view
    // can stay until it has gone unused for a while: senders cycle through
    // their spare blocks, and reopening each one costs more than its bytes.
    ProcessDataHeap::Get()->SweepKept(dataViewIdleSweeps);
    dataBlocks->TrimSpares(now);
}

void COProcDispatcher::PutEventInAllQueues(COEvent* event)
{
    PutEverywhere(event);
}

// False when the event was not put: it cannot travel, or no data block could
// be had (DataBackPressure), or a receiver destroyed the dispatcher meanwhile.
bool COProcDispatcher::PutEverywhere(COEvent* event)
{
    // Code 0 marks a free slot, so such an event cannot travel; a data block
    // needs bytes to copy from.
    if (table->Array() == nullptr || event->eventCode == 0 || event->dataSize < 0) {
        return false;
    }
    if (event->dataSize != 0) {
        bool destroyed = false;
        const auto drain = [this] { return DrainOwnQueue(); };
        bool put = backPressure->MakeRoom(drain, &destroyed) && dataBlocks->BeginPut(event);
        if (!put && !destroyed && event->data != nullptr && backPressure->MakeRoomAfterRefusal(drain, &destroyed)) {
            put = dataBlocks->BeginPut(event);
        }
        if (!put) {
            if (!destroyed) {
                backPressure->CountNotPut();
            }
            return false;
        }
    }
    putter->OpenQueuesAhead(*table->Array());
    std::vector<int32_t> ofGoneOwners;
    putFailed = false;
    table->PutInEveryQueue(
        [this, event](int32_t id, int32_t owner) { return putter->Put(id, owner, event, &putFailed); }, ofGoneOwners);
    for (const int32_t id : ofGoneOwners) {
        DeadQueueDrain::Drain(*queueHeap, ProcessDataHeap::Get(), id);
    }
    dataBlocks->EndPut();
    if (putFailed) {
        backPressure->CountNotPut(); // not in every queue: told like one not put at all
    }
    return !putFailed;
}

// An idle pass from inside a put; false when a receiver destroyed the
// dispatcher in it.
bool COProcDispatcher::DrainOwnQueue()
{
    bool destroyed = false;
    bool* outerFlag = destroyedFlag;
    destroyedFlag = &destroyed;
    OnIdle(0);
    if (destroyed) {
        if (outerFlag != nullptr) {
            *outerFlag = true;
        }
        return false;
    }
    destroyedFlag = outerFlag;
    return true;
}

bool COProcDispatcher::PutEventInOneQueue(int queueID, COEvent* event)
{
    return putter != nullptr && putter->Put(queueID, 0, event, &putFailed);
}

// Locks the own first block when the queue holds an event. Otherwise does an
// empty queue's upkeep (trailing blocks cut off, held blocks released) and
// returns false with nothing locked.
bool COProcDispatcher::LockNonEmptyQueue()
{
    if (!IsAttached()) {
        return false;
    }
    if (ownQueue->LockIfNotEmpty()) {
        return true;
    }
    FreeEventBlocks();
    return false;
}

bool COProcDispatcher::RemoveEventFromQueue(COEvent* event)
{
    if (!LockNonEmptyQueue()) {
        return false;
    }
    ownQueue->RemoveFirstLocked(event);
    return true;
}

COProcDispatcher::EventQueueBlock* COProcDispatcher::GetNextEventQueueBlock(EventQueueBlock* block)
{
    return ownQueue != nullptr ? ownQueue->Next(block) : nullptr;
}

void COProcDispatcher::CollectEventQueueBlocks(std::vector<EventQueueBlock*>& blocks)
{
    if (IsAttached()) {
        ownQueue->CollectLocked(blocks);
    }
}

void COProcDispatcher::RemoveFreeEventQueueBlocks()
{
    if (IsAttached()) {
        ownQueue->CutEmptyTail();
    }
}

void COProcDispatcher::FreeEventBlocks()
{
    if (putter != nullptr) {
        putter->ReleaseAttached();
    }
}
