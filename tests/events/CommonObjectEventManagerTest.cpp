#include "TestObjects.h"

#include "foundation/AnimTime.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using EventManager = EventFramework;

// Tests that posted events arrive in posting order, that events posted by a
// handler are delivered in the same dispatch call, and that a post copies its
// data so the caller may reuse the buffer at once.
TEST_F(EventManager, PostedEventsArriveInOrderWithTheirDataCopied)
{
    RecordingObject sender;
    RecordingObject target;
    std::vector<std::string> texts;
    target.onEvent = [&](COEvent* event) {
        if (event->dataSize > 0) {
            texts.emplace_back(static_cast<const char*>(event->data));
            std::free(event->data); // an accepted copy belongs to the handler
        }
        if (event->eventCode == 2) {
            target.PostEvent(target.GetID(), 3u, 33L);
        }
    };
    char buffer[8] = "first";
    sender.PostEvent(target.GetID(), 1u, buffer, 8);
    std::strcpy(buffer, "second");
    sender.PostEvent(target.GetID(), 2u, buffer, 8);
    sender.PostEvent(target.GetID(), 4u, static_cast<short>(-1), static_cast<short>(2));
    EXPECT_TRUE(target.received.empty()) << "posting does not deliver";

    CommonObjectEventManager::staticDispatchEvents(1);
    ASSERT_EQ(target.received.size(), 4u);
    EXPECT_EQ(target.received[0].eventCode, 1u);
    EXPECT_EQ(target.received[1].eventCode, 2u);
    EXPECT_EQ(target.received[2].eventCode, 4u);
    EXPECT_EQ(target.received[2].Value(), 0x0002FFFF);
    EXPECT_EQ(target.received[3].eventCode, 3u);
    EXPECT_EQ(target.received[0].senderID, sender.GetID());
    EXPECT_EQ(texts, (std::vector<std::string>{"first", "second"}));
}

// Tests that a declined event's data copy, and that of an event whose target
// is gone, are freed by the dispatcher (the leak checker watches this), and
// that a dead target is simply passed over.
TEST_F(EventManager, UndeliveredDataCopiesAreFreed)
{
    RecordingObject declining(false);
    auto* doomed = new RecordingObject;
    const long doomedID = doomed->GetID();
    char bytes[16] = {};
    CommonObjectEventManager::staticPostEvent(0, declining.GetID(), 1u, bytes, 16, 0);
    CommonObjectEventManager::staticPostEvent(0, doomedID, 2u, bytes, 16, 0);
    CommonObjectEventManager::staticPostEvent(0, 0, 3u, bytes, 16, 0);
    delete doomed;
    CommonObjectEventManager::staticDispatchEvents(1);
    EXPECT_EQ(declining.received.size(), 1u);
}

// Tests that delayed events wait for the delayed dispatch, and that the
// disable counter nests and holds both queues.
TEST_F(EventManager, DelayedQueueAndNestedSuspension)
{
    RecordingObject target;
    target.PostRoutedEvent(target.GetID(), ROUTE_DELAYED, 1u, 0L);
    CommonObjectEventManager::staticDispatchEvents(1);
    EXPECT_TRUE(target.received.empty());
    CommonObjectEventManager::staticDispatchDelayedEvents(0);
    ASSERT_EQ(target.received.size(), 1u);
    EXPECT_EQ(target.received[0].route, ROUTE_DELAYED);

    CommonObjectEventManager::staticDisableDispatchingEvents(false);
    EXPECT_FALSE(CommonObjectEventManager::staticIsEventDispatchingDisabled()) << "a stray enable changes nothing";
    CommonObjectEventManager::staticDisableDispatchingEvents(true);
    CommonObjectEventManager::staticDisableDispatchingEvents(true);
    CommonObjectEventManager::staticDisableDispatchingEvents(false);
    EXPECT_TRUE(CommonObjectEventManager::staticIsEventDispatchingDisabled());
    target.PostEvent(target.GetID(), 2u, 0L);
    target.PostRoutedEvent(target.GetID(), ROUTE_DELAYED, 3u, 0L);
    CommonObjectEventManager::staticDispatchEvents(1);
    CommonObjectEventManager::staticDispatchDelayedEvents(0);
    EXPECT_EQ(target.received.size(), 1u);
    EXPECT_EQ(target.SendEvent(target.GetID(), 9u, 0L), target.GetID()) << "sends ignore the suspension";

    CommonObjectEventManager::staticDisableDispatchingEvents(false);
    EXPECT_FALSE(CommonObjectEventManager::staticIsEventDispatchingDisabled());
    CommonObjectEventManager::staticDispatchEvents(1);
    CommonObjectEventManager::staticDispatchDelayedEvents(0);
    ASSERT_EQ(target.received.size(), 4u);
    EXPECT_EQ(target.received[2].eventCode, 2u);
    EXPECT_EQ(target.received[3].eventCode, 3u);
}

// An idle receiver that can post from its idle handler.
class IdleObject : public RecordingObject {
public:
    using RecordingObject::RecordingObject;
    long postOnIdleTo = 0;

protected:
    bool OnIdle(unsigned long time) override
    {
        RecordingObject::OnIdle(time);
        if (postOnIdleTo != 0) {
            PostEvent(postOnIdleTo, 0x80u, static_cast<long>(time));
        }
        return true;
    }
};

// Tests the idle step: every idle receiver gets it even when the first
// accepts, the argument is passed unchanged (0 meaning the clock), and what
// idle handlers post is delivered in the same call.
TEST_F(EventManager, IdleStepReachesEveryReceiverAndDrainsWhatItPosts)
{
    CommonObjectEventManager manager;
    {
        IdleObject first;
        IdleObject second;
        RecordingObject target;
        first.postOnIdleTo = target.GetID();
        EXPECT_TRUE(first.RequestIdleEvents());
        second.RequestIdleEvents();

        CommonObjectEventManager::staticDispatchEvents(777);
        EXPECT_EQ(first.idleTimes, (std::vector<unsigned long>{777}));
        EXPECT_EQ(second.idleTimes, (std::vector<unsigned long>{777}));
        ASSERT_EQ(target.received.size(), 1u);
        EXPECT_EQ(target.received[0].Value(), 777);

        animSetTime(5); // the idle time comes from the system clock, not the frozen one
        CommonObjectEventManager::staticDispatchEvents(0);
        animSetTime(0);
        ASSERT_EQ(first.idleTimes.size(), 2u);
        EXPECT_NE(first.idleTimes[1], 5u);

        EXPECT_TRUE(first.UnrequestIdleEvents());
        CommonObjectEventManager::staticDispatchEvents(9);
        EXPECT_EQ(first.idleTimes.size(), 2u);
        EXPECT_EQ(second.idleTimes.size(), 3u);
        EXPECT_EQ(first.Request("Idle"), 1) << "requesting the name joins the same dispatcher";
        CommonObjectEventManager::staticDispatchEvents(10);
        EXPECT_EQ(first.idleTimes.size(), 3u);
    }
    CommonObjectEventManager::staticDispatchEvents(11); // dead idle receivers are passed over
}

// Opens the protected broadcast membership to the test.
class BroadcastManager : public CommonObjectEventManager {
public:
    using CommonObjectEventManager::staticRequestBroadcasts;
    using CommonObjectEventManager::staticUnrequestBroadcasts;
};

// Tests broadcasts by name: nothing before a manager exists, delivery by the
// dispatcher rules afterwards.
TEST_F(EventManager, BroadcastByNameNeedsAManager)
{
    auto* listener = new RecordingObject; // deleted with the framework when the manager goes
    const long listenerID = listener->GetID();
    EXPECT_EQ(CommonObjectEventManager::staticSendEvent(0L, "Broadcast", 1u, nullptr, 0, 0), 0);
    BroadcastManager::staticRequestBroadcasts(listenerID); // no dispatcher yet: nothing happens

    BroadcastManager manager;
    BroadcastManager::staticRequestBroadcasts(listenerID);
    EXPECT_EQ(CommonObjectEventManager::staticSendEvent(0L, "Broadcast", 1u, nullptr, 0, 0), listenerID);
    const long broadcastID = CommonObjectEventManager::staticGetDispatcher("Broadcast");
    CommonObjectEventManager::staticPostEvent(0, broadcastID, 2u, nullptr, 0, ROUTE_ALL_RECEIVERS);
    CommonObjectEventManager::staticDispatchEvents(1);
    EXPECT_EQ(listener->received.size(), 2u);
    BroadcastManager::staticUnrequestBroadcasts(listenerID);
    EXPECT_EQ(CommonObjectEventManager::staticSendEvent(0L, "Broadcast", 3u, nullptr, 0, 0), 0);
}

// Tests that destroying the last manager deletes every registered object,
// the standing dispatchers included, drops queued events with their data
// copies, clears the name table and restarts IDs.
TEST_F(EventManager, LastManagerResetsTheFramework)
{
    auto* manager = new CommonObjectEventManager;
    EXPECT_NE(CommonObjectEventManager::staticGetDispatcher("Idle"), 0);
    EXPECT_NE(CommonObjectEventManager::staticGetDispatcher("Broadcast"), 0);
    int destroyed = 0;
    class Counted : public CommonObjectBase {
    public:
        explicit Counted(int& destroyed) : destroyed(destroyed) {}
        ~Counted() override { ++destroyed; }
        int& destroyed;
    };
    auto* orphan = new Counted(destroyed);
    orphan->SetCOName(OvString("orphan"));
    new CODispatcher("Mine");
    char bytes[8] = {};
    CommonObjectEventManager::staticPostEvent(0, orphan->GetID(), 1u, bytes, 8, 0);
    CommonObjectEventManager::staticPostEvent(0, orphan->GetID(), 1u, bytes, 8, ROUTE_DELAYED);

    delete manager;
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(CommonObjectEventManager::FindObjectByCOName("orphan"), nullptr);
    EXPECT_EQ(CommonObjectEventManager::staticGetDispatcher("Idle"), 0);
    EXPECT_EQ(CommonObjectEventManager::staticGetDispatcher("Mine"), 0);
    CommonObjectBase next;
    EXPECT_EQ(next.GetID(), 0x10000000);
    CommonObjectEventManager::staticDispatchEvents(1);
    CommonObjectEventManager::staticDispatchDelayedEvents(0);
}

// A collection that owns its children, as the host's collections do.
class Collection : public RecordingObject {
public:
    ~Collection() override
    {
        for (CommonObjectBase* child : children) {
            delete child;
        }
    }
    RecordingObject* AddChild(CommonObjectEventManager* owner)
    {
        auto* child = new RecordingObject;
        child->SetParent(this);
        child->SetManager(owner);
        children.push_back(child);
        return child;
    }
    std::vector<CommonObjectBase*> children;
};

// Tests that a manager that is not the last deletes the trees of its own
// objects from their topmost ancestor and leaves other objects alone.
TEST_F(EventManager, ManagerDeletesTreesOfItsOwnObjects)
{
    CommonObjectEventManager keeper;
    RecordingObject bystander;
    auto* manager = new CommonObjectEventManager;
    auto* root = new Collection;
    auto* middle = new Collection;
    middle->SetParent(root);
    root->children.push_back(middle);
    RecordingObject* leaf = middle->AddChild(manager);
    const long rootID = root->GetID();
    const long leafID = leaf->GetID();
    RecordingObject* loose = new RecordingObject;
    loose->SetManager(manager);

    delete manager;
    EXPECT_EQ(CommonObjectEventManager::FindObjectByID(rootID), nullptr);
    EXPECT_EQ(CommonObjectEventManager::FindObjectByID(leafID), nullptr);
    EXPECT_EQ(CommonObjectEventManager::FindObjectByID(bystander.GetID()), &bystander);
    EXPECT_NE(CommonObjectEventManager::staticGetDispatcher("Idle"), 0);
}

// Tests the host callbacks: a position change posts the packed pair from the
// object to itself; a kill reaches OnKilled only for a registered object.
TEST_F(EventManager, HostCallbacksPostPositionAndReportKills)
{
    CommonObjectEventManager manager;
    {
        RecordingObject sut;
        RecordingObject watcher;
        sut.SetNotifyID(watcher.GetID());
        void* sutID = reinterpret_cast<void*>(static_cast<intptr_t>(sut.GetID()));
        CommonObjectEventManager::staticPosChangeCallback(sutID, -1, 2);
        CommonObjectEventManager::staticDispatchEvents(1);
        ASSERT_EQ(sut.received.size(), 1u);
        EXPECT_EQ(sut.received[0].eventCode, EVENT_POS_CHANGED);
        EXPECT_EQ(sut.received[0].senderID, sut.GetID());
        EXPECT_EQ(sut.received[0].Value(), 0x0002FFFF);

        CommonObjectEventManager::staticKillCallback(sutID, nullptr, false, nullptr);
        ASSERT_EQ(watcher.received.size(), 1u);
        EXPECT_EQ(watcher.received[0].eventCode, EVENT_KILLED);
        CommonObjectEventManager::staticKillCallback(reinterpret_cast<void*>(intptr_t{0x0FFFFFFF}), nullptr);
        EXPECT_EQ(watcher.received.size(), 1u);
        EXPECT_EQ(manager.GetPage(), nullptr);
    }
}

// A handler that, during dispatch, creates an object and posts to it, sends
// to another, and destroys itself and an object with queued events.
class Busy : public CommonObjectBase {
public:
    std::vector<CommonObjectBase*>* created = nullptr;
    long victim = 0;

protected:
    bool HandleEvent(COEvent* event) override
    {
        if (event->dataSize > 0) {
            std::free(event->data); // accepted, so the copy is ours
        }
        auto* fresh = new RecordingObject;
        created->push_back(fresh);
        PostEvent(fresh->GetID(), 1u, 0L);
        SendEvent(fresh->GetID(), 2u, 0L);
        delete FindObjectByID(victim);
        if (event->eventCode == 0xDEAD) {
            delete this;
        }
        return true;
    }
};

// Tests that handlers may create, send to, post to and destroy objects,
// themselves included, while the queue is being dispatched.
TEST_F(EventManager, HandlersMayCreateAndDestroyDuringDispatch)
{
    std::vector<CommonObjectBase*> created;
    auto* busy = new Busy;
    busy->created = &created;
    auto* victim = new RecordingObject;
    busy->victim = victim->GetID();
    char bytes[4] = {};
    CommonObjectEventManager::staticPostEvent(0, busy->GetID(), 0xDEAD, bytes, 4, 0);
    CommonObjectEventManager::staticPostEvent(0, victim->GetID(), 1u, bytes, 4, 0);
    CommonObjectEventManager::staticPostEvent(0, busy->GetID(), 0xDEAD, bytes, 4, 0);
    CommonObjectEventManager::staticDispatchEvents(1);
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(static_cast<RecordingObject*>(created[0])->received.size(), 2u);
}

} // namespace
