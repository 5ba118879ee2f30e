#include "bus/DeadHolderRepair.h"
#include "bus/LockHolder.h"
#include "bus/ProcQueueLayout.h"
#include "bus/SharedSpinLock.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using namespace procqueue;

// A process id no system hands out here (not a multiple of 4 for Windows,
// the very last id for Linux), with start bits set.
constexpr int32_t endedHolder = static_cast<int32_t>(0x3fffffu | (0x155u << 22));

struct BlockBytes {
    explicit BlockBytes(int32_t capacity) : bytes(BlockSize(capacity) / 4 + 1)
    {
        WriteEmptyBlock(Block(), 7, capacity);
        Block()->header.lock = 0;
    }
    EventQueueBlock* Block() { return reinterpret_cast<EventQueueBlock*>(bytes.data()); }
    void Put(int32_t index, uint32_t code, int32_t value)
    {
        EventSlot* slot = SlotAt(Block(), index);
        std::memset(slot, 0, sizeof *slot);
        slot->eventCode = code;
        slot->data = value;
    }
    std::vector<int32_t> bytes;
};

// Tests that a block a holder died in is packed again in event order, with
// parts of an unfinished slot cleared and a link that names nothing cut; and
// that a block whose size does not fit its capacity is left to the walks.
TEST(DeadHolderRepair, QueueBlockIsPackedInOrderAndItsBadLinkCut)
{
    BlockBytes held(6);
    held.Put(0, 0x10, 1);
    held.Put(2, 0x11, 2); // a hole where the owner was moving slots
    held.Put(3, 0x12, 3);
    SlotAt(held.Block(), 4)->data = 99; // a sender's slot, its code never written
    held.Block()->nextId = -5;
    DeadHolderRepair::Block(held.Block()->header);
    const uint32_t codes[] = {0x10, 0x11, 0x12, 0, 0, 0};
    for (int32_t i = 0; i < 6; ++i) {
        EXPECT_EQ(SlotAt(held.Block(), i)->eventCode, codes[i]) << i;
        EXPECT_EQ(SlotAt(held.Block(), i)->data, i < 3 ? i + 1 : 0) << i;
    }
    EXPECT_EQ(held.Block()->nextId, 0);

    BlockBytes damaged(4);
    damaged.Put(1, 0x20, 1);
    damaged.Block()->header.size += 28;
    DeadHolderRepair::Block(damaged.Block()->header);
    EXPECT_EQ(SlotAt(damaged.Block(), 0)->eventCode, 0u);
    EXPECT_EQ(SlotAt(damaged.Block(), 1)->eventCode, 0x20u);
}

// Tests that a table a holder died in keeps its queues, loses the owner
// words of free entries and the entries that cannot be queues, and gets its
// count back.
TEST(DeadHolderRepair, QueueTableKeepsQueuesAndDropsWhatIsHalfWritten)
{
    COProcDispatcher::QueueArray table{};
    WriteHeader(table.header, COProcDispatcher::QUEUE_ARRAY_SIZE, 1, 0);
    table.count = 7000;
    table.entries[0] = {2, 1234};
    table.entries[1] = {0, 4321}; // owner written, queue id not yet
    table.entries[2] = {-3, 99};
    DeadHolderRepair::Table(table.header);
    EXPECT_EQ(table.count, COProcDispatcher::QUEUE_ENTRIES);
    EXPECT_EQ(table.entries[0].queueId, 2);
    EXPECT_EQ(table.entries[0].reserved, 1234);
    EXPECT_EQ(table.entries[1].reserved, 0);
    EXPECT_EQ(table.entries[2].queueId, 0);
    EXPECT_EQ(table.entries[2].reserved, 0);
}

int repairs = 0;
void CountRepair(COProcDispatcher::Header&)
{
    ++repairs;
}

// Tests that only a lock whose recorded holder has ended is taken over, after
// the wait that no live holder comes near, and then repaired; a live holder's
// lock and one whose holder recorded nothing are waited for.
TEST(DeadHolderRepair, OnlyAnEndedHoldersLockIsTakenOverAndRepaired)
{
    BlockBytes block(2);
    COProcDispatcher::Header& header = block.Block()->header;
    repairs = 0;
    // An id no process has, and this process's id with another start: an
    // id the system handed on after its holder ended.
    const int32_t reusedId = LockHolder::Own() ^ (1 << 22);
    for (const int32_t ended : {endedHolder, reusedId}) {
        header.lock = 0;
        header.reserved = ended;
        ASSERT_TRUE(SharedSpinLock::Lock(header, 2000, CountRepair)) << ended;
        EXPECT_EQ(header.reserved, LockHolder::Own());
        SharedSpinLock::Unlock(header);
        EXPECT_EQ(header.lock, -1);
        EXPECT_EQ(header.reserved, 0);
    }
    EXPECT_EQ(repairs, 2);

    for (const int32_t holder : {LockHolder::Own(), 0}) {
        header.lock = 0;
        header.reserved = holder;
        EXPECT_FALSE(SharedSpinLock::Lock(header, 300, CountRepair)) << holder;
        EXPECT_EQ(repairs, 2);
    }
}

} // namespace
