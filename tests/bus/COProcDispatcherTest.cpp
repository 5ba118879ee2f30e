#include "bus/COProcDispatcher.h"
#include "BusPeek.h"
#include "BusTest.h"
#include "RecordingReceiver.h"
#include "bus/FileMappingHeap.h"
#include "bus/HeapCounters.h"
#include "bus/MappedSegment.h"
#include "foundation/AnimTime.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

namespace {

// Records like any receiver, and runs an action once, at its first event.
class ActingReceiver : public RecordingReceiver {
public:
    std::function<void()> atFirstEvent;

protected:
    bool HandleEvent(COEvent* event) override
    {
        const bool handled = RecordingReceiver::HandleEvent(event);
        if (event->eventCode != EVENT_IDLE && atFirstEvent) {
            const std::function<void()> action = std::move(atFirstEvent);
            atFirstEvent = nullptr;
            action();
        }
        return handled;
    }
};

class COProcDispatcherTest : public BusTest {
protected:
    COProcDispatcherTest() : BusTest("vbdisp") {}

    void ReleaseBus() override
    {
        receiver.reset();
        other.reset();
        sut.reset();
    }

    void Attach()
    {
        sut = std::make_unique<COProcDispatcher>(name.c_str());
        receiver = std::make_unique<RecordingReceiver>();
        sut->AddReceiver(receiver->GetID());
    }

    // A second attachment of the bus in this process, as another program's would be.
    RecordingReceiver& AttachOther()
    {
        other = std::make_unique<COProcDispatcher>(name.c_str());
        otherReceiver = std::make_unique<RecordingReceiver>();
        other->AddReceiver(otherReceiver->GetID());
        return *otherReceiver;
    }

    void Put(unsigned int code, long value = 0) { PutVia(*sut, code, value); }

    void PutData(unsigned int code, const std::string& bytes) { PutDataVia(*sut, code, bytes.data(), bytes.size()); }

    // Puts a receiver that runs the action at its first event in the place
    // of sut's recording receiver.
    ActingReceiver& ReplaceReceiver(std::function<void()> atFirstEvent)
    {
        acting = std::make_unique<ActingReceiver>();
        acting->atFirstEvent = std::move(atFirstEvent);
        sut->RemoveReceiver(receiver->GetID());
        sut->AddReceiver(acting->GetID());
        return *acting;
    }

    std::unique_ptr<COProcDispatcher> sut;
    std::unique_ptr<RecordingReceiver> receiver;
    std::unique_ptr<COProcDispatcher> other;
    std::unique_ptr<RecordingReceiver> otherReceiver;
    std::unique_ptr<ActingReceiver> acting;
};

// Tests that an event reaches the receivers on the next idle pass and not
// while it is handed over, its data as equal bytes at another address, and
// that the sender's data block is gone once every queue has delivered it.
TEST_F(COProcDispatcherTest, DeliversOnNextIdlePassWithDataCopied)
{
    Attach();
    ASSERT_TRUE(sut->IsAttached());
    ASSERT_TRUE(sut->IsRegistered());
    const std::string bytes("C:\\tools\\app.exe\0tail", 21);
    PutData(0xE001, bytes);
    Put(0xE003, -5);
    EXPECT_TRUE(receiver->events.empty());
    EXPECT_TRUE(sut->HasUndeliveredData());

    Pump();

    ASSERT_EQ(Codes(*receiver), (std::vector<unsigned int>{0xE001, 0xE003}));
    EXPECT_EQ(receiver->events[0].bytes, bytes);
    EXPECT_NE(receiver->events[0].address, static_cast<const void*>(bytes.data()));
    EXPECT_EQ(receiver->events[1].value, -5);
    EXPECT_FALSE(sut->HasUndeliveredData());
    Pump();
    EXPECT_EQ(receiver->events.size(), 2u);
}

// Tests that events put before the owner drains grow its queue by chained
// blocks of 40, 80 ... up to 640 slots, that draining keeps put order, and
// that the drained chain is cut back to its first block.
TEST_F(COProcDispatcherTest, QueueGrowsByChainedBlocksAndShrinksWhenDrained)
{
    Attach();
    BusPeek peek(name);
    const int32_t queue = peek.QueueIds().at(0);
    for (unsigned int code = 1; code <= 21; ++code) {
        Put(code);
    }
    EXPECT_EQ(peek.Chain(queue), (std::vector<int32_t>{20, 40}));
    Pump();
    EXPECT_EQ(Codes(*receiver), Range(1, 21));
    EXPECT_EQ(peek.Chain(queue), (std::vector<int32_t>{20}));

    receiver->events.clear();
    for (unsigned int code = 1; code <= 1300; ++code) {
        Put(code);
    }
    EXPECT_EQ(peek.Chain(queue), (std::vector<int32_t>{20, 40, 80, 160, 320, 640, 640}));
    Pump();
    EXPECT_EQ(Codes(*receiver), Range(1, 1300));
    EXPECT_EQ(peek.Chain(queue), (std::vector<int32_t>{20}));
}

// Tests that every attached dispatcher delivers each event once, whichever
// of them it was handed to.
TEST_F(COProcDispatcherTest, EveryAttachmentDeliversEachEventOnce)
{
    Attach();
    RecordingReceiver& second = AttachOther();
    Put(0x101);
    PutVia(*other, 0x102);
    Put(0x103);
    Pump();
    EXPECT_EQ(Codes(*receiver), (std::vector<unsigned int>{0x101, 0x102, 0x103}));
    EXPECT_EQ(Codes(second), (std::vector<unsigned int>{0x101, 0x102, 0x103}));
}

// Tests that the 21st dispatcher of a name gets no queue entry and receives
// nothing, while it can still put events for the other twenty.
TEST_F(COProcDispatcherTest, TwentyFirstDispatcherReceivesNothingAndBreaksNothing)
{
    Attach();
    std::vector<std::unique_ptr<COProcDispatcher>> more;
    for (int i = 0; i < 19; ++i) {
        more.push_back(std::make_unique<COProcDispatcher>(name.c_str()));
        EXPECT_TRUE(more.back()->IsRegistered());
    }
    COProcDispatcher twentyFirst(name.c_str());
    EXPECT_TRUE(twentyFirst.IsAttached());
    EXPECT_FALSE(twentyFirst.IsRegistered());
    RecordingReceiver lastRegistered;
    more.back()->AddReceiver(lastRegistered.GetID());
    RecordingReceiver unregistered;
    twentyFirst.AddReceiver(unregistered.GetID());

    PutVia(twentyFirst, 0x201);
    Put(0x202);
    Pump();

    EXPECT_EQ(Codes(*receiver), (std::vector<unsigned int>{0x201, 0x202}));
    EXPECT_EQ(Codes(lastRegistered), (std::vector<unsigned int>{0x201, 0x202}));
    EXPECT_TRUE(unregistered.events.empty());
}

// Tests that a queue entry whose queue has vanished, or that cannot name a
// queue, is cleared by the next sender while the others still get the event.
TEST_F(COProcDispatcherTest, SenderClearsEntriesOfVanishedQueues)
{
    Attach();
    BusPeek peek(name);
    peek.Array()->entries[5].queueId = 9999;
    peek.Array()->entries[6].queueId = -3;
    Put(0x301);
    Pump();
    EXPECT_EQ(Codes(*receiver), (std::vector<unsigned int>{0x301}));
    EXPECT_EQ(peek.Array()->entries[5].queueId, 0);
    EXPECT_EQ(peek.Array()->entries[6].queueId, 0);
}

// Tests that a sender reuses a data block only once every queue has delivered
// it, so that no receiver ever sees one event's bytes as another's.
TEST_F(COProcDispatcherTest, ReusedDataBlockNeverCarriesAnotherEventsBytes)
{
    Attach();
    RecordingReceiver& second = AttachOther();
    BusPeek peek(name);
    const int32_t queue = peek.QueueIds().at(0);
    auto dataIdOfSlot = [&](int slot) { return BusPeek::Slot(peek.Block(queue), slot)->data; };

    PutData(0x801, "first event");
    const int32_t firstBlock = dataIdOfSlot(0);
    Pump(); // the sender delivers before the second queue does:
    Pump(); // its next pass finds the block delivered everywhere
    PutData(0x802, "second, longer event");
    PutData(0x803, "third");
    EXPECT_NE(dataIdOfSlot(0), dataIdOfSlot(1));
    EXPECT_EQ(dataIdOfSlot(1), firstBlock); // the delivered block fits the third event
    Pump();
    PutData(0x804, "fourth");
    Pump();

    for (const RecordingReceiver* each : {receiver.get(), &second}) {
        ASSERT_EQ(each->events.size(), 4u);
        EXPECT_EQ(each->events[0].bytes, std::string("first event"));
        EXPECT_EQ(each->events[1].bytes, std::string("second, longer event"));
        EXPECT_EQ(each->events[2].bytes, std::string("third"));
        EXPECT_EQ(each->events[3].bytes, std::string("fourth"));
    }
}

// Tests that an event put by a receiver while the queue is being delivered
// comes in the same pass, after the events that were already queued.
TEST_F(COProcDispatcherTest, EventPutDuringDeliveryComesLastInTheSamePass)
{
    Attach();
    ActingReceiver& acting = ReplaceReceiver([this] { Put(0x903); });
    Put(0x901);
    Put(0x902);
    Pump();
    EXPECT_EQ(Codes(acting), (std::vector<unsigned int>{0x901, 0x902, 0x903}));
}

// Tests that a receiver destroying its dispatcher ends the pass there, and
// that the events already taken from its queue but not delivered let go of
// their data, so that the sending process can free its blocks.
TEST_F(COProcDispatcherTest, DispatcherDestroyedDuringDeliveryLetsGoOfTakenData)
{
    Attach();
    RecordingReceiver& second = AttachOther();
    ActingReceiver& destroyer = ReplaceReceiver([this] { sut.reset(); });
    for (const char* text : {"one", "two", "three"}) {
        PutDataVia(*other, 0x911, text, std::strlen(text));
    }
    Pump();
    Pump();
    EXPECT_EQ(sut, nullptr);
    EXPECT_EQ(destroyer.events.size(), 1u);
    EXPECT_EQ(second.events.size(), 3u);
    EXPECT_FALSE(other->HasUndeliveredData());
}

// Tests that a receiver may destroy the dispatcher while it delivers that
// dispatcher's own data, whose block goes with it, and that the other queue
// then skips the events whose data has gone.
TEST_F(COProcDispatcherTest, DispatcherDestroyedWhileDeliveringItsOwnData)
{
    Attach();
    RecordingReceiver& second = AttachOther();
    ActingReceiver& destroyer = ReplaceReceiver([this] { sut.reset(); });
    PutData(0x931, "own data");
    PutData(0x932, "more");
    Pump();
    Pump();
    EXPECT_EQ(sut, nullptr);
    EXPECT_EQ(destroyer.events.size(), 1u);
    EXPECT_TRUE(second.events.empty());
}

// Tests that a sender's delivered data blocks serve its next burst instead of
// new segments, and that those no burst wanted for a while go back.
TEST_F(COProcDispatcherTest, DeliveredDataBlocksServeTheNextBurstThenGoBack)
{
    Attach();
    auto burst = [this] {
        const HeapCounters before = heapCountersNow();
        for (int i = 0; i < 100; ++i) {
            PutData(0x921, "burst " + std::to_string(100 + i));
        }
        Pump();
        Pump();
        EXPECT_EQ(receiver->events.back().bytes, "burst 199");
        EXPECT_FALSE(sut->HasUndeliveredData());
        return (heapCountersNow() - before).segmentsCreated;
    };
    EXPECT_GE(burst(), 100u);
    EXPECT_LT(burst(), 10u); // queue blocks only
    for (int sweep = 0; sweep < 3; ++sweep) {
        utilSleep(60);
        Pump();
    }
    EXPECT_GE(burst(), 90u);
}

// Tests that blocks of a page or more serve later events of near sizes, and
// that a peer's kept view of a block does not keep it alive once its creator
// has let it go.
TEST_F(COProcDispatcherTest, PeersKeptViewsLetGoOfBlocksTheirCreatorFreed)
{
    Attach();
    RecordingReceiver& second = AttachOther();
    BusPeek peek(name);
    PutData(0x940, "small"); // its block has number 0, which a vanished block shows too
    Pump();
    PutData(0x941, std::string(5000, 'b'));
    const int32_t block = BusPeek::Slot(peek.Block(peek.QueueIds().at(0)), 0)->data;
    Pump(); // sut delivers, then `other` through a view it keeps
    Pump(); // sut finds the block delivered everywhere: a spare
    const HeapCounters before = heapCountersNow();
    PutData(0x942, std::string(6000, 'c'));
    EXPECT_EQ((heapCountersNow() - before).segmentsCreated, 0u);
    Pump();
    Pump();
    ASSERT_EQ(second.events.size(), 3u);
    EXPECT_EQ(second.events[2].bytes, std::string(6000, 'c'));

    sut.reset();
    utilSleep(10);
    Pump(); // `other` sweeps its kept views
    FileMappingHeap dataHeap("COProcDispatcherHeap", nullptr, 0);
    MappedSegment* cookie = nullptr;
    const auto* header = static_cast<const COProcDispatcher::Header*>(dataHeap.Map(block, &cookie));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->id, 0) << "the freed block is still alive";
    dataHeap.Unmap(cookie);
}

// Tests that the last dispatcher of a name takes every shared object of the
// bus with it, so the next one starts afresh at segment 0.
TEST_F(COProcDispatcherTest, LastDispatcherLeavesNothingBehind)
{
    Attach();
    PutData(0x401, "payload");
    Put(0x402);
    sut.reset();
    EXPECT_TRUE(LeftoverSharedObjects(name).empty());

    Attach();
    BusPeek peek(name);
    EXPECT_EQ(peek.QueueIds(), (std::vector<int32_t>{2}));
}

// Tests that a dispatcher whose name is too long to name the shared objects
// stays unattached, and that destroying it leaves the process's data heap to
// the dispatchers still attached.
TEST_F(COProcDispatcherTest, OverlongNameStaysUnattachedAndLeavesOthersWorking)
{
    Attach();
    {
        COProcDispatcher overlong(std::string(300, 'x').c_str());
        EXPECT_FALSE(overlong.IsAttached());
    }
    PutData(0x501, "still carried");
    Pump();
    ASSERT_EQ(Codes(*receiver), (std::vector<unsigned int>{0x501}));
    EXPECT_EQ(receiver->events[0].bytes, "still carried");
}

} // namespace
