#include "BusPeek.h"
#include "BusTest.h"
#include "RecordingReceiver.h"
#include "bus/COProcDispatcher.h"

#include <gtest/gtest.h>

#include <memory>

// A peer that writes nonsense into the shared blocks must not make us read or
// write outside a mapping or loop for ever. Each test damages the shared state
// the way a broken peer could and checks that what is sound still arrives.

namespace {

class CorruptedBusTest : public BusTest {
protected:
    CorruptedBusTest() : BusTest("vbbad") {}

    void SetUp() override
    {
        owner = std::make_unique<COProcDispatcher>(name.c_str());
        sender = std::make_unique<COProcDispatcher>(name.c_str());
        owner->AddReceiver(ownerReceiver.GetID());
        sender->AddReceiver(senderReceiver.GetID());
        peek = std::make_unique<BusPeek>(name);
        ownerQueue = peek->QueueIds().at(0);
    }

    void ReleaseBus() override
    {
        peek.reset();
        sender.reset();
        owner.reset();
    }

    void Put(unsigned int code) { PutVia(*sender, code); }

    void PutRange(unsigned int first, unsigned int last)
    {
        for (unsigned int code = first; code <= last; ++code) {
            Put(code);
        }
    }

    BusPeek::EventQueueBlock* SecondBlock() { return peek->Block(peek->Block(ownerQueue)->nextId); }

    RecordingReceiver ownerReceiver;
    RecordingReceiver senderReceiver;
    std::unique_ptr<COProcDispatcher> owner;
    std::unique_ptr<COProcDispatcher> sender;
    std::unique_ptr<BusPeek> peek;
    int32_t ownerQueue = 0;
};

// Tests that a chained block whose capacity does not match its size is
// dropped by the owner and passed over by senders, who grow a sound block.
TEST_F(CorruptedBusTest, CapacityNotMatchingBlockSizeIsDropped)
{
    PutRange(1, 21);
    SecondBlock()->capacity = 100000;
    Put(22);
    Pump();
    std::vector<unsigned int> expected = Range(1, 20);
    expected.push_back(22);
    EXPECT_EQ(Codes(ownerReceiver), expected);
    EXPECT_EQ(Codes(senderReceiver), Range(1, 22));

    peek->Block(ownerQueue)->capacity = 7;
    Put(23);
    Pump();
    EXPECT_EQ(ownerReceiver.events.size(), 21u);
    EXPECT_EQ(senderReceiver.events.back().code, 23u);
}

// Tests that a chain whose link leads back into itself ends both the owner's
// drain and a sender's walk.
TEST_F(CorruptedBusTest, NextIdChainThatLoopsIsCut)
{
    PutRange(1, 60);
    SecondBlock()->nextId = ownerQueue;
    Put(61);
    Pump();
    EXPECT_EQ(Codes(ownerReceiver), Range(1, 61));

    PutRange(62, 100);
    SecondBlock()->nextId = peek->Block(ownerQueue)->nextId;
    Pump();
    EXPECT_EQ(Codes(ownerReceiver), Range(1, 100));
    EXPECT_EQ(peek->Chain(ownerQueue), (std::vector<int32_t>{20}));
}

// Tests that an event whose data block is smaller than its dataSize, or is
// not the block it names, is skipped instead of read past its end.
TEST_F(CorruptedBusTest, DataBlockSmallerThanDataSizeIsSkipped)
{
    char bytes[] = "eight b";
    PutDataVia(*sender, 0x501, bytes, sizeof bytes);
    BusPeek::EventSlot* slot = BusPeek::Slot(peek->Block(ownerQueue), 0);
    slot->dataSize = 1 << 20;
    PutDataVia(*sender, 0x502, bytes, sizeof bytes);
    peek->Data(BusPeek::Slot(peek->Block(ownerQueue), 1)->data)->size = 12;
    PutDataVia(*sender, 0x503, bytes, sizeof bytes);
    BusPeek::Slot(peek->Block(ownerQueue), 2)->dataSize = -4;
    PutDataVia(*sender, 0x504, bytes, sizeof bytes);
    Pump();
    EXPECT_EQ(Codes(ownerReceiver), (std::vector<unsigned int>{0x504}));
    EXPECT_EQ(ownerReceiver.events[0].bytes, std::string(bytes, sizeof bytes));
    EXPECT_EQ(Codes(senderReceiver), (std::vector<unsigned int>{0x501, 0x503, 0x504}));
}

// Tests that a queue table whose count is above 20, or below 0, is read only
// as far as its 20 entries go.
TEST_F(CorruptedBusTest, QueueTableCountIsBoundedByItsEntries)
{
    peek->Array()->count = 1000000;
    Put(0x601);
    peek->Array()->count = -1;
    Put(0x602);
    peek->Array()->count = 20;
    Put(0x603);
    Pump();
    EXPECT_EQ(Codes(ownerReceiver), (std::vector<unsigned int>{0x601, 0x603}));
}

// Tests that a lock word below "free" is taken over instead of spun on.
TEST_F(CorruptedBusTest, LockWordBelowFreeIsTakenOver)
{
    peek->Array()->header.lock = -7;
    peek->Block(ownerQueue)->header.lock = -100;
    Put(0x701);
    Pump();
    EXPECT_EQ(Codes(ownerReceiver), (std::vector<unsigned int>{0x701}));
    EXPECT_EQ(peek->Array()->header.lock, -1);
    EXPECT_EQ(peek->Block(ownerQueue)->header.lock, -1);
}

} // namespace
