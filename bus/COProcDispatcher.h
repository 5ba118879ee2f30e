#pragma once

#include "bus/SharedHeapClient.h"
#include "events/CODispatcher.h"
#include "platform/Export.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class DataBackPressure;
class FileMappingHeap;
class OwnDataBlocks;
class OwnQueue;
class QueuePutter;
class QueueTable;

// A named dispatcher whose events travel between processes: every
// COProcDispatcher of one name, in any process, attaches to one table of
// queues in named shared memory (one queue per attached dispatcher). An event
// given to any of them is copied into every queue, its data bytes into a
// shared data block, and each dispatcher delivers the events of its own queue
// to its local receivers on its next idle pass, in put order, itself included.
//
// The shared layouts, names and locking steps are an interface between
// programs, 32-bit and 64-bit alike: every field is a 32-bit little-endian
// word and every block has a 20-byte Header with its own spin lock
// (SharedSpinLock). Lock order: the queue table before any queue block; the
// blocks of one chain from first to last, hand over hand. Nothing read from
// shared memory is trusted: sizes, capacities, counts, links and data sizes
// are checked against the mapping before use, and what does not fit is
// dropped.
//
// The dispatcher is the algorithms; its parts own the state: QueueTable the
// shared table, OwnQueue the chain this process owns and drains, QueuePutter
// the walks that put into any queue and the blocks it holds for their owners,
// OwnDataBlocks the data blocks this process created, and the queue heap's
// kept views (FileMappingHeap) the views of other processes' blocks.
//
// HandleEvent and OnIdle run on the thread that runs the framework; a
// receiver may destroy the dispatcher while it delivers.
class VELMORA_API COProcDispatcher : public CODispatcher, public SharedHeapClient {
public:
    struct Header {
        int32_t size; // 0 only in a vanished segment
        int32_t id;
        int32_t lock; // -1 free, 0 or more held
        int32_t refCount;
        int32_t reserved;
    };

    // The 28 bytes of an event as every queue holds them.
    struct EventSlot {
        int32_t senderID;
        int32_t targetID;
        int32_t addresseeID;
        uint16_t route;
        uint16_t padding;
        uint32_t eventCode; // 0 marks a free slot
        int32_t dataSize;
        int32_t data; // a data block id when dataSize is not 0
    };

    struct EventQueueBlock {
        Header header;
        int32_t capacity;
        int32_t nextId;
        int32_t nextBlock;  // non-zero exactly while the owner has the next block attached
        EventSlot slots[1]; // capacity slots
    };

    struct QueueEntry {
        int32_t queueId; // 0: free
        int32_t reserved;
    };

    struct QueueArray {
        Header header;
        int32_t count;
        QueueEntry entries[20];
    };

    static constexpr int32_t QUEUE_ARRAY_SIZE = 184;
    static constexpr int32_t QUEUE_ENTRIES = 20;
    static constexpr int32_t BLOCK_HEADER_SIZE = 32;
    static constexpr int32_t FIRST_CAPACITY = 20;
    static constexpr int32_t MAX_CAPACITY = 640;

    COProcDispatcher();
    explicit COProcDispatcher(const char* name);
    ~COProcDispatcher() override;

    bool HandleEvent(COEvent* event) override;
    bool OnIdle(unsigned long time) override;
    void OnHeapAttached(bool created, int32_t* rootSlot, SharedHeap* heap) override;

    static long staticAddRefSharedMemory(void* data);
    static void staticUnrefSharedMemory(void* data);
    static bool staticLockSharedMemory(void* data, int timeout);
    static void staticUnlockSharedMemory(void* data);

    // True while this dispatcher has an entry in the queue table and so
    // receives the bus's events.
    bool IsRegistered() const;
    // True when the bus's shared objects could be had; an unattached
    // dispatcher neither sends nor receives.
    bool IsAttached() const;
    // True while data blocks this process created wait for queues to deliver
    // them; a process that ends before that takes the data from its peers.
    bool HasUndeliveredData() const;
    int32_t GetQueueID() const;
    // At most this many data blocks of this dispatcher wait for delivery at
    // once (4,096 unless set); a put beyond drains, waits up to two seconds,
    // and then fails: HandleEvent returns false and EventsNotPut counts it.
    void SetDataBlockLimit(size_t limit);
    uint32_t EventsNotPut() const;

protected:
    static Header* staticGetHeader(void* data);
    static bool Lock(Header& header, int timeout);
    static void Unlock(Header& header);

    long AddRefEventData(COEvent* event);
    void UnrefEventData(COEvent* event);
    bool RemoveEventFromQueue(COEvent* event);
    void PutEventInAllQueues(COEvent* event);
    bool PutEventInOneQueue(int queueID, COEvent* event);
    EventQueueBlock* GetNextEventQueueBlock(EventQueueBlock* block);
    void CollectEventQueueBlocks(std::vector<EventQueueBlock*>& blocks);
    void RemoveFreeEventQueueBlocks();
    void FreeEventBlocks();

private:
    void Attach(const char* name);
    bool LockNonEmptyQueue();
    bool NextTakenEvent(COEvent* event);
    bool DeliverTaken(COEvent& event, const bool& destroyed);
    void SweepKeptViews();
    bool PutEverywhere(COEvent* event);
    bool DrainOwnQueue();

    std::unique_ptr<QueueTable> table;
    FileMappingHeap* queueHeap = nullptr;
    // The parts; they exist once the queue heap does.
    std::unique_ptr<OwnQueue> ownQueue;
    std::unique_ptr<OwnDataBlocks> dataBlocks;
    std::unique_ptr<QueuePutter> putter;
    std::unique_ptr<DataBackPressure> backPressure;
    bool registered = false;
    // Set by a put that could not reach a queue that may be fine.
    bool putFailed = false;
    // Set while OnIdle delivers, so that a receiver destroying the dispatcher
    // ends the pass.
    bool* destroyedFlag = nullptr;
    uint32_t lastSweep = 0;
};

static_assert(sizeof(COProcDispatcher::Header) == 20);
static_assert(sizeof(COProcDispatcher::EventSlot) == 28);
static_assert(offsetof(COProcDispatcher::EventSlot, eventCode) == 16);
static_assert(offsetof(COProcDispatcher::EventSlot, dataSize) == 20);
static_assert(offsetof(COProcDispatcher::EventSlot, data) == 24);
static_assert(offsetof(COProcDispatcher::EventQueueBlock, slots) == COProcDispatcher::BLOCK_HEADER_SIZE);
static_assert(sizeof(COProcDispatcher::QueueArray) == COProcDispatcher::QUEUE_ARRAY_SIZE);
