#include "bus/FileMappingHeap.h"
#include "BusTest.h"
#include "bus/HeapDirectory.h"
#include "bus/MappedSegment.h"
#include "bus/SharedHeapClient.h"
#include "platform/SharedSegment.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

struct RecordingClient : SharedHeapClient {
    void OnHeapAttached(bool isCreated, int32_t* root, SharedHeap* attachedHeap) override
    {
        ++calls;
        created = isCreated;
        rootSlot = root;
        heap = attachedHeap;
        if (isCreated && root != nullptr) {
            *root = 1234;
        }
    }
    int calls = 0;
    bool created = false;
    int32_t* rootSlot = nullptr;
    SharedHeap* heap = nullptr;
};

class FileMappingHeapTest : public BusTest {
protected:
    FileMappingHeapTest() : BusTest("vbheap") {}
};

// Tests that the first heap of a name makes the root slot and tells its client
// so, and that a later heap of the name attaches to the same root slot.
TEST_F(FileMappingHeapTest, FirstHeapCreatesRootSlotAndLaterOnesAttach)
{
    RecordingClient first;
    FileMappingHeap sut(name.c_str(), &first, 0);
    ASSERT_TRUE(sut.IsUsable());
    EXPECT_EQ(first.calls, 1);
    EXPECT_TRUE(first.created);
    ASSERT_NE(first.rootSlot, nullptr);
    EXPECT_EQ(first.heap, &sut);
    EXPECT_EQ(sut.GetID(first.rootSlot), 0);
    EXPECT_GE(sut.FindRecord(first.rootSlot)->Size(), 8u);

    RecordingClient second;
    FileMappingHeap other(name.c_str(), &second, 0);
    EXPECT_EQ(second.calls, 1);
    EXPECT_FALSE(second.created);
    ASSERT_NE(second.rootSlot, nullptr);
    EXPECT_EQ(*second.rootSlot, 1234);
    EXPECT_NE(second.rootSlot, first.rootSlot);
}

// Tests that a heap without client hands out segment 0 first, numbers blocks
// upwards, and that another heap of the name reaches a block by its number.
TEST_F(FileMappingHeapTest, BlocksAreNumberedFromZeroAndReachedByNumber)
{
    FileMappingHeap sut(name.c_str(), nullptr, 0);
    void* first = sut.Alloc(16);
    void* second = sut.Alloc(100);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(sut.GetID(first), 0);
    EXPECT_EQ(sut.GetID(second), 1);
    EXPECT_GE(sut.FindRecord(second)->Size(), 104u);
    std::memcpy(second, "shared bytes", 13);

    FileMappingHeap other(name.c_str(), nullptr, 0);
    MappedSegment* cookie = nullptr;
    void* view = other.Map(1, &cookie);
    ASSERT_NE(view, nullptr);
    ASSERT_NE(cookie, nullptr);
    EXPECT_NE(view, second);
    EXPECT_STREQ(static_cast<char*>(view), "shared bytes");
    EXPECT_EQ(other.Alloc(4) != nullptr, true);
    EXPECT_EQ(other.GetID(other.Alloc(4)), 3);
    other.Unmap(cookie);
    EXPECT_EQ(other.GetID(view), 0);
}

// Tests that a number whose segment everybody released reads as zeros and
// that looking at it leaves nothing behind.
TEST_F(FileMappingHeapTest, VanishedSegmentReadsZeros)
{
    FileMappingHeap sut(name.c_str(), nullptr, 0);
    void* block = sut.Alloc(32);
    ASSERT_NE(block, nullptr);
    std::memset(block, 0x5a, 32);
    const long id = sut.GetID(block);
    sut.Free(block);

    MappedSegment* cookie = nullptr;
    auto* view = static_cast<int32_t*>(sut.Map(id, &cookie));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view[0], 0);
    sut.Unmap(cookie);
    EXPECT_TRUE(LeftoverSharedObjects(name + "_").empty());
}

// Tests that freeing one view of a block keeps the block for its other
// holders, and that an unknown view is ignored.
TEST_F(FileMappingHeapTest, FreeingOneViewKeepsBlockForOtherHolders)
{
    FileMappingHeap sut(name.c_str(), nullptr, 0);
    auto* created = static_cast<int32_t*>(sut.Alloc(8));
    ASSERT_NE(created, nullptr);
    created[0] = 77;
    auto* mapped = static_cast<int32_t*>(sut.Map(sut.GetID(created)));
    ASSERT_NE(mapped, nullptr);
    sut.Free(mapped);
    int32_t notAView = 0;
    sut.Free(&notAView);

    auto* again = static_cast<int32_t*>(sut.Map(0));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again[0], 77);
}

// Tests that destroying the last heap of a name releases every view it still
// had and takes the directory and the mutex's name with it, so the next heap
// of the name starts again at segment 0.
TEST_F(FileMappingHeapTest, LastHeapTakesEverythingWithIt)
{
    {
        RecordingClient client;
        FileMappingHeap sut(name.c_str(), &client, 0);
        ASSERT_NE(sut.Alloc(10), nullptr);
        ASSERT_NE(sut.Map(1), nullptr);
        ASSERT_NE(sut.Map(0), nullptr);
    }
    EXPECT_TRUE(LeftoverSharedObjects(name).empty());

    RecordingClient client;
    FileMappingHeap sut(name.c_str(), &client, 0);
    EXPECT_TRUE(client.created);
    EXPECT_EQ(sut.GetID(client.rootSlot), 0);
}

// Tests that a directory a peer has set back onto numbers still in use does
// not make Alloc hand out (and overwrite) a live block.
TEST_F(FileMappingHeapTest, AllocPassesOverNumbersStillInUse)
{
    FileMappingHeap sut(name.c_str(), nullptr, 0);
    auto* live = static_cast<char*>(sut.Alloc(8));
    ASSERT_NE(live, nullptr);
    std::strcpy(live, "live");
    ASSERT_NE(sut.Alloc(8), nullptr);

    platform::SharedSegment directory;
    ASSERT_TRUE(directory.Open(name.c_str(), sizeof(HeapDirectory)));
    static_cast<HeapDirectory*>(directory.View())->nextSegment = 0;

    void* fresh = sut.Alloc(8);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(sut.GetID(fresh), 2);
    EXPECT_STREQ(live, "live");
    directory.Close();
}

// Tests that a view kept between uses reads as vanished once everybody else
// has let go of the segment, and leaves nothing behind.
TEST_F(FileMappingHeapTest, KeptViewSeesSegmentVanishWhenOthersLetGo)
{
    FileMappingHeap creator(name.c_str(), nullptr, 0);
    FileMappingHeap sut(name.c_str(), nullptr, 0);
    auto* block = static_cast<int32_t*>(creator.Alloc(8));
    ASSERT_NE(block, nullptr);
    block[0] = 42;

    MappedSegment* kept = nullptr;
    ASSERT_EQ(sut.MapKept(0, &kept), FileMappingHeap::KeptResult::Mapped);
    EXPECT_EQ(static_cast<int32_t*>(kept->View())[0], 42);
    sut.DoneKept(kept);
    ASSERT_EQ(sut.MapKept(0, &kept), FileMappingHeap::KeptResult::Mapped);
    sut.DoneKept(kept);

    creator.Free(block);
    EXPECT_EQ(sut.MapKept(0, &kept), FileMappingHeap::KeptResult::Vanished);
    EXPECT_EQ(kept, nullptr);
    EXPECT_TRUE(LeftoverSharedObjects(name + "_").empty());
}

} // namespace
