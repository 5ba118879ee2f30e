#include "events/EventQueue.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

COEvent Numbered(int number)
{
    COEvent event{};
    event.eventCode = static_cast<unsigned int>(number);
    return event;
}

// Tests that records come out in order across block boundaries, including
// when pushes and pops interleave, and that an emptied queue is reusable.
TEST(EventQueue, KeepsOrderAcrossBlocksAndAfterRunningEmpty)
{
    EventQueue sut;
    const int count = static_cast<int>(EventQueue::RECORDS_PER_BLOCK) * 2 + 500;
    int popped = 0;
    COEvent event;
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < count; ++i) {
            sut.Push(Numbered(i));
            if (i % 3 == 0) {
                ASSERT_TRUE(sut.Pop(event));
                EXPECT_EQ(event.eventCode, static_cast<unsigned int>(popped++));
            }
        }
        while (sut.Pop(event)) {
            EXPECT_EQ(event.eventCode, static_cast<unsigned int>(popped++));
        }
        EXPECT_EQ(popped, count);
        EXPECT_TRUE(sut.IsEmpty());
        popped = 0;
    }
    EXPECT_FALSE(sut.Pop(event));
}

// Tests that discarding frees the data copies of the records (the leak
// checker would report them otherwise) and leaves plain values alone.
TEST(EventQueue, DiscardAllFreesDataCopies)
{
    EventQueue sut;
    for (int i = 0; i < 1500; ++i) {
        COEvent event = Numbered(i);
        if (i % 2 == 0) {
            event.dataSize = 8;
            event.data = std::malloc(8);
        } else {
            event.SetValue(i);
        }
        sut.Push(event);
    }
    sut.DiscardAll();
    EXPECT_TRUE(sut.IsEmpty());
}

TEST(COEventPair, PacksXLowAndYHigh)
{
    EXPECT_EQ(COPackPair(-1, 2), 0x0002FFFF);
    EXPECT_EQ(COPairX(COPackPair(-1, 2)), -1);
    EXPECT_EQ(COPairY(COPackPair(-1, 2)), 2);
    EXPECT_EQ(COPairY(COPackPair(5, -32768)), -32768);
}

} // namespace
