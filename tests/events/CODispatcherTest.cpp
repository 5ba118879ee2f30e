#include "TestObjects.h"

#include <string>
#include <vector>

namespace {

// Three receivers A, B, C on one dispatcher that log their calls into one
// shared sequence; B accepts, A and C decline.
class DispatcherWithThree : public EventFramework {
protected:
    void SetUp() override
    {
        for (auto* receiver : {&a, &b, &c}) {
            receiver->onEvent = [this, receiver](COEvent*) { order.push_back(receiver->GetID()); };
            sut.AddReceiver(receiver->GetID());
        }
        b.accept = true;
    }

    // Keeps the managers of single tests from being the last one, whose end
    // would delete these members.
    CommonObjectEventManager keeper;
    RecordingObject a{false}, b{false}, c{false};
    CODispatcher sut{"Printers"};
    std::vector<long> order;
};

// Tests that without ROUTE_ALL_RECEIVERS delivery stops at the first taker and
// the send returns that receiver's ID.
TEST_F(DispatcherWithThree, FirstAcceptingReceiverEndsDelivery)
{
    EXPECT_EQ(CommonObjectEventManager::SendSimpleEvent(sut.GetID(), 0x60u, 1L), b.GetID());
    EXPECT_EQ(order, (std::vector<long>{a.GetID(), b.GetID()}));
    EXPECT_EQ(b.received[0].targetID, b.GetID());
    EXPECT_EQ(b.received[0].addresseeID, sut.GetID());
}

// Tests that ROUTE_ALL_RECEIVERS offers the event to everyone, the result
// being the last receiver's, and that uninterpreted route bits reach every
// receiver unchanged.
TEST_F(DispatcherWithThree, AllReceiversRouteOffersToEveryone)
{
    const unsigned short route = ROUTE_ALL_RECEIVERS | 0x8400;
    EXPECT_EQ(CommonObjectEventManager::SendRoutedEvent(sut.GetID(), route, 0x60u, 1L), 0);
    EXPECT_EQ(order, (std::vector<long>{a.GetID(), b.GetID(), c.GetID()}));
    for (auto* receiver : {&a, &b, &c}) {
        EXPECT_EQ(receiver->received[0].route, route);
    }
    c.accept = true;
    EXPECT_EQ(CommonObjectEventManager::SendRoutedEvent(sut.GetID(), route, 0x60u, 1L), c.GetID());
}

// Tests ROUTE_SAME_MANAGER: receivers of another manager are skipped, and a
// sender without a manager (or no sender) gets nothing delivered.
TEST_F(DispatcherWithThree, SameManagerRouteSkipsOtherManagers)
{
    CommonObjectEventManager mine;
    CommonObjectEventManager other;
    RecordingObject sender;
    sender.SetManager(&mine);
    a.SetManager(&mine);
    b.SetManager(&other);
    c.SetManager(&mine);
    c.accept = true;

    const unsigned short route = ROUTE_SAME_MANAGER;
    EXPECT_EQ(sender.SendRoutedEvent(sut.GetID(), route, 0x61u, 1L), c.GetID());
    EXPECT_EQ(order, (std::vector<long>{a.GetID(), c.GetID()}));

    order.clear();
    EXPECT_EQ(CommonObjectEventManager::SendRoutedEvent(sut.GetID(), route, 0x61u, 1L), 0);
    sender.SetManager(nullptr);
    EXPECT_EQ(sender.SendRoutedEvent(sut.GetID(), route, 0x61u, 1L), 0);
    EXPECT_TRUE(order.empty());

    for (auto* receiver : {&sender, &a, &b, &c}) {
        receiver->SetManager(nullptr);
    }
}

// Tests that a receiver added twice is offered the event twice, that one
// RemoveReceiver blanks both entries, and that blanks still count.
TEST_F(DispatcherWithThree, DuplicateReceiverIsOfferedTwiceAndRemovedAtOnce)
{
    sut.RemoveAll();
    EXPECT_EQ(sut.GetCount(), 0);
    sut.AddReceiver(a.GetID());
    sut.AddReceiver(a.GetID());
    CommonObjectEventManager::SendSimpleEvent(sut.GetID(), 0x62u, 1L);
    EXPECT_EQ(a.received.size(), 2u);
    a.accept = true;
    CommonObjectEventManager::SendSimpleEvent(sut.GetID(), 0x62u, 1L);
    EXPECT_EQ(a.received.size(), 3u);

    EXPECT_TRUE(sut.ExistsReceiver(a.GetID()));
    EXPECT_TRUE(sut.RemoveReceiver(a.GetID()));
    EXPECT_FALSE(sut.ExistsReceiver(a.GetID()));
    EXPECT_FALSE(sut.RemoveReceiver(a.GetID()));
    EXPECT_EQ(sut.GetCount(), 2);
    EXPECT_EQ(sut.GetNthID(0), 0);
    EXPECT_EQ(sut.GetNthID(5), 0);
    EXPECT_EQ(CommonObjectEventManager::SendSimpleEvent(sut.GetID(), 0x62u, 1L), 0);
}

// Tests that GetNext compacts by moving the last entry into a dead one.
TEST_F(DispatcherWithThree, GetNextMovesLastEntryIntoDeadSlot)
{
    sut.RemoveAll();
    long deadID = 0;
    {
        RecordingObject gone;
        deadID = gone.GetID();
    }
    sut.AddReceiver(deadID);
    sut.AddReceiver(b.GetID());
    sut.AddReceiver(c.GetID());

    int position = 0;
    EXPECT_EQ(sut.GetNext(&position), &c);
    EXPECT_EQ(position, 1);
    EXPECT_EQ(sut.GetCount(), 2);
    EXPECT_EQ(sut.GetNthID(0), c.GetID());
    EXPECT_EQ(sut.GetNthID(1), b.GetID());
    EXPECT_EQ(sut.GetNext(&position), &b);
    EXPECT_EQ(sut.GetNext(&position), nullptr);
    EXPECT_EQ(position, 0);
}

// Tests that a handler may destroy a receiver that comes later in the walk,
// add receivers, and destroy the dispatcher itself, without harm.
TEST_F(DispatcherWithThree, HandlersMayChangeTheListAndDestroyReceiversDuringWalk)
{
    auto* doomed = new RecordingObject(true);
    auto* dispatcher = new CODispatcher;
    RecordingObject late(true);
    dispatcher->AddReceiver(a.GetID());
    dispatcher->AddReceiver(doomed->GetID());
    a.onEvent = [&](COEvent*) {
        delete doomed;
        dispatcher->AddReceiver(late.GetID());
    };
    EXPECT_EQ(CommonObjectEventManager::SendSimpleEvent(dispatcher->GetID(), 0x63u, 1L), 0);
    EXPECT_TRUE(late.received.empty()) << "receivers added during a walk wait for the next event";
    a.onEvent = nullptr;
    EXPECT_EQ(CommonObjectEventManager::SendSimpleEvent(dispatcher->GetID(), 0x63u, 1L), late.GetID());

    a.onEvent = [&](COEvent*) { delete dispatcher; };
    EXPECT_EQ(CommonObjectEventManager::SendSimpleEvent(dispatcher->GetID(), 0x63u, 1L), late.GetID());
    a.onEvent = nullptr;
}

TEST_F(EventFramework, DispatcherAnswersOnlyItsOwnType)
{
    CODispatcher sut;
    EXPECT_TRUE(sut.IsObjectType(OBJECT_TYPE_DISPATCHER));
    EXPECT_FALSE(sut.IsObjectType(OBJECT_TYPE_COMMON_OBJECT));
    EXPECT_STREQ(sut.GetName(), "");
}

// Tests the name table: a taken name stays with its first dispatcher, a second
// dispatcher of that name removes the entry when it goes, and a dispatcher's
// name is not its common-object name.
TEST_F(EventFramework, NameTableKeepsFirstRegistration)
{
    auto* first = new CODispatcher("Shared");
    EXPECT_EQ(CommonObjectEventManager::staticGetDispatcher("Shared"), first->GetID());
    EXPECT_EQ(CommonObjectEventManager::staticGetDispatcher("shared"), 0);
    EXPECT_EQ(CommonObjectEventManager::FindObjectByCOName("Shared"), nullptr);
    EXPECT_FALSE(CommonObjectEventManager::staticRegisterDispatcher("Shared", 0x1234));
    {
        CODispatcher second("Shared");
        EXPECT_EQ(CommonObjectEventManager::staticGetDispatcher("Shared"), first->GetID());
    }
    EXPECT_EQ(CommonObjectEventManager::staticGetDispatcher("Shared"), 0);
    EXPECT_FALSE(CommonObjectEventManager::staticUnregisterDispatcher("Shared"));
    delete first;
}

// Tests requesting by name: the first request creates a plain dispatcher
// (false), a later one joins it (true), and unrequesting blanks the entry.
TEST_F(EventFramework, RequestCreatesThenJoinsDispatcher)
{
    RecordingObject first;
    RecordingObject second;
    EXPECT_EQ(first.Request("Scanners"), 0);
    const long dispatcherID = first.GetDispatcher("Scanners");
    ASSERT_NE(dispatcherID, 0);
    EXPECT_EQ(second.Request("Scanners"), 1);
    EXPECT_EQ(first.GetDispatcher("Scanners"), dispatcherID);

    auto* dispatcher = static_cast<CODispatcher*>(CommonObjectEventManager::FindObjectByID(dispatcherID));
    EXPECT_EQ(dispatcher->GetCount(), 2);
    EXPECT_EQ(CommonObjectEventManager::staticSendEvent(0L, "Scanners", 0x70u, nullptr, 0, ROUTE_ALL_RECEIVERS),
              second.GetID());
    EXPECT_EQ(first.received.size(), 1u);

    EXPECT_TRUE(first.Unrequest("Scanners"));
    EXPECT_FALSE(first.Unrequest("Scanners"));
    EXPECT_FALSE(first.Unrequest("Nobody"));
    EXPECT_FALSE(dispatcher->ExistsReceiver(first.GetID()));
    EXPECT_EQ(CommonObjectEventManager::staticSendEvent(0L, "Nobody", 0x70u, nullptr, 0, 0), 0);
}

// Tests a name left to a destroyed dispatcher's ID: a request then makes a new
// dispatcher that cannot take the name, and the old entry stays.
TEST_F(EventFramework, RequestForStaleNameMakesUnnamedDispatcher)
{
    ASSERT_TRUE(CommonObjectEventManager::staticRegisterDispatcher("Stale", 0x0FFFFFF0));
    RecordingObject receiver;
    EXPECT_EQ(receiver.Request("Stale"), 0);
    EXPECT_EQ(receiver.GetDispatcher("Stale"), 0x0FFFFFF0);
    EXPECT_FALSE(receiver.Unrequest("Stale"));
}

// Tests that a name leading to an object that is not a dispatcher is not
// used as one.
TEST_F(EventFramework, RequestIgnoresNameOfNonDispatcher)
{
    RecordingObject impostor;
    RecordingObject receiver;
    ASSERT_TRUE(CommonObjectEventManager::staticRegisterDispatcher("Odd", impostor.GetID()));
    EXPECT_EQ(receiver.Request("Odd"), 0);
    EXPECT_FALSE(receiver.Unrequest("Odd"));
    EXPECT_TRUE(CommonObjectEventManager::staticUnregisterDispatcher("Odd"));
}

} // namespace
