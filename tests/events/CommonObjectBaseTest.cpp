#include "TestObjects.h"

#include <cstring>
#include <string>

namespace {

// A hook that counts its calls and its destruction and consumes one code.
class CountingHook : public COHook {
public:
    CountingHook(unsigned int consumedCode, int& calls, int& destroyed)
        : consumedCode(consumedCode), calls(calls), destroyed(destroyed)
    {
    }
    ~CountingHook() override { ++destroyed; }
    bool HandleEvent(CommonObjectBase*, COEvent* event) override
    {
        ++calls;
        return event->eventCode == consumedCode;
    }

private:
    unsigned int consumedCode;
    int& calls;
    int& destroyed;
};

using CommonObjects = EventFramework;

// Tests that IDs count up from the first ID, are never handed out again, and
// name an object from the base constructor to the base destructor.
TEST_F(CommonObjects, IdsCountUpFromFirstIdAndAreNotReused)
{
    long firstID = 0;
    {
        RecordingObject first;
        firstID = first.GetID();
        EXPECT_EQ(firstID, 0x10000000);
        EXPECT_EQ(CommonObjectEventManager::FindObjectByID(firstID), &first);
    }
    EXPECT_EQ(CommonObjectEventManager::FindObjectByID(firstID), nullptr);
    RecordingObject second;
    EXPECT_EQ(second.GetID(), 0x10000001);
    EXPECT_EQ(second.FindObjectByID(second.GetID()), &second);
}

// Tests that a send reports the accepting object's ID, and 0 when the
// object declines or nobody is registered under the target.
TEST_F(CommonObjects, SendReturnsAcceptingIdOrZero)
{
    RecordingObject sender;
    RecordingObject accepting(true);
    RecordingObject declining(false);
    EXPECT_EQ(sender.SendEvent(accepting.GetID(), 0x4000u, 7L), accepting.GetID());
    EXPECT_EQ(sender.SendEvent(declining.GetID(), 0x4000u, 7L), 0);
    EXPECT_EQ(sender.SendEvent(0x7000000, 0x4000u, 7L), 0);
    EXPECT_EQ(sender.SendEvent(0, 0x4000u, 7L), 0);

    ASSERT_EQ(accepting.received.size(), 1u);
    const COEvent& seen = accepting.received[0];
    EXPECT_EQ(seen.senderID, sender.GetID());
    EXPECT_EQ(seen.targetID, accepting.GetID());
    EXPECT_EQ(seen.addresseeID, accepting.GetID());
    EXPECT_EQ(seen.eventCode, 0x4000u);
    EXPECT_EQ(seen.Value(), 7);
    EXPECT_EQ(seen.dataSize, 0);
}

// Tests that a send hands the caller's own buffer to the handler (nothing is
// copied) and that the routed and x/y forms fill the record as documented.
TEST_F(CommonObjects, SendFormsFillTheRecord)
{
    RecordingObject sender;
    RecordingObject target;
    char buffer[8] = "payload";
    const char* seenData = nullptr;
    target.onEvent = [&](COEvent* event) { seenData = static_cast<const char*>(event->data); };
    sender.SendEvent(target.GetID(), 1u, buffer, 8);
    EXPECT_EQ(seenData, buffer);
    EXPECT_EQ(target.received.back().dataSize, 8);

    sender.SendEvent(target.GetID(), 2u, static_cast<short>(-1), static_cast<short>(2));
    EXPECT_EQ(target.received.back().Value(), 0x0002FFFF);

    sender.SendRoutedEvent(target.GetID(), 0x4400, 3u, 9L);
    EXPECT_EQ(target.received.back().route, 0x4400);
    EXPECT_EQ(target.received.back().Value(), 9);

    EXPECT_EQ(CommonObjectEventManager::SendSimpleEvent(target.GetID(), 4u, 5L), target.GetID());
    EXPECT_EQ(target.received.back().senderID, 0);
    EXPECT_EQ(CommonObjectEventManager::SendRoutedEvent(target.GetID(), 0x0100, 5u, 6L), target.GetID());
    EXPECT_EQ(target.received.back().route, 0x0100);
}

// Tests that a prepared event goes to the given ID (rewriting targetID), or
// to its own targetID when the ID is 0.
TEST_F(CommonObjects, PreparedSendUsesGivenIdOrTargetId)
{
    RecordingObject first;
    RecordingObject second;
    COEvent event{};
    event.targetID = static_cast<int32_t>(first.GetID());
    event.eventCode = 1;
    EXPECT_TRUE(CommonObjectEventManager::staticSendEvent(&event, 0));
    EXPECT_EQ(first.received.size(), 1u);
    EXPECT_TRUE(CommonObjectEventManager::staticSendEvent(&event, second.GetID()));
    EXPECT_EQ(event.targetID, second.GetID());
    EXPECT_EQ(second.received.size(), 1u);
    event.targetID = 0;
    EXPECT_FALSE(CommonObjectEventManager::staticSendEvent(&event, 0));
}

// Tests that the hook chain sees events first, that a consuming hook hides the
// event from later hooks and from the object (the send still reports the
// object), and that the object deletes the whole chain.
TEST_F(CommonObjects, HookChainConsumesAndIsOwnedByObject)
{
    int firstCalls = 0, secondCalls = 0, destroyed = 0;
    {
        RecordingObject target;
        auto* first = new CountingHook(0x10u, firstCalls, destroyed);
        first->nextHook = new CountingHook(0x20u, secondCalls, destroyed);
        target.AttachHook(first);
        EXPECT_EQ(target.GetHook(), first);

        EXPECT_EQ(CommonObjectEventManager::SendSimpleEvent(target.GetID(), 0x10u, 0L), target.GetID());
        EXPECT_EQ(firstCalls, 1);
        EXPECT_EQ(secondCalls, 0);
        EXPECT_TRUE(target.received.empty());

        EXPECT_EQ(CommonObjectEventManager::SendSimpleEvent(target.GetID(), 0x20u, 0L), target.GetID());
        EXPECT_EQ(secondCalls, 1);
        EXPECT_TRUE(target.received.empty());

        target.accept = false;
        EXPECT_EQ(CommonObjectEventManager::SendSimpleEvent(target.GetID(), 0x30u, 0L), 0);
        EXPECT_EQ(target.received.size(), 1u);
    }
    EXPECT_EQ(destroyed, 2);
}

TEST_F(CommonObjects, HookAndObjectAnswerOnlyTheirOwnType)
{
    COHook hook;
    EXPECT_TRUE(hook.IsObjectType("COHook"));
    EXPECT_FALSE(hook.IsObjectType("cohook"));
    EXPECT_FALSE(hook.IsObjectType(nullptr));
    EXPECT_TRUE(hook.Init(nullptr));
    CommonObjectBase object;
    EXPECT_TRUE(object.IsObjectType(OBJECT_TYPE_COMMON_OBJECT));
    EXPECT_FALSE(object.IsObjectType(OBJECT_TYPE_DISPATCHER));
    EXPECT_EQ(object.CastIfCommonObject(), nullptr);
}

// Tests that the idle event counts as handled even when OnIdle declines, and
// that OnIdle receives the event's time.
TEST_F(CommonObjects, IdleEventIsHandledWhateverOnIdleReturns)
{
    RecordingObject target(false);
    EXPECT_EQ(CommonObjectEventManager::SendSimpleEvent(target.GetID(), EVENT_IDLE, 4321L), target.GetID());
    ASSERT_EQ(target.idleTimes.size(), 1u);
    EXPECT_EQ(target.idleTimes[0], 4321u);
    CommonObjectBase plain;
    EXPECT_EQ(CommonObjectEventManager::SendSimpleEvent(plain.GetID(), EVENT_IDLE, 1L), plain.GetID());
    EXPECT_EQ(CommonObjectEventManager::SendSimpleEvent(plain.GetID(), 0x4000u, 1L), 0);
}

// Tests storing and replacing additional data: ints as decimal text, the
// same length kept in place, a different length as a new block, empty and
// null stores, and clearing.
TEST_F(CommonObjects, AdditionalDataStoresReplacesAndClears)
{
    CommonObjectBase sut;
    long size = -1;
    EXPECT_EQ(sut.GetAdditionalData("none", &size), nullptr);
    EXPECT_EQ(size, 0);
    EXPECT_FALSE(sut.ClearAdditionalData("none"));

    EXPECT_EQ(sut.SetAdditionalData("number", 42), &sut);
    auto* number = static_cast<const char*>(sut.GetAdditionalData("number", &size));
    EXPECT_EQ(size, 3);
    EXPECT_STREQ(number, "42");

    sut.SetAdditionalData("text", "abcd");
    char* text = static_cast<char*>(sut.GetAdditionalData("text", &size));
    EXPECT_EQ(size, 5);
    sut.SetAdditionalData("text", "wxyz");
    EXPECT_STREQ(text, "wxyz") << "a store of the same length writes into the block already handed out";
    sut.SetAdditionalData("text", static_cast<const char*>(nullptr));
    EXPECT_STREQ(static_cast<char*>(sut.GetAdditionalData("text", nullptr)), "wxyz");
    EXPECT_EQ(sut.GetAdditionalData("Text", nullptr), nullptr) << "keys are case-sensitive";

    sut.SetAdditionalData("text", "longer text");
    EXPECT_STREQ(static_cast<char*>(sut.GetAdditionalData("text", &size)), "longer text");
    EXPECT_EQ(size, 12);

    sut.SetAdditionalData("empty", nullptr, 0);
    EXPECT_EQ(sut.GetAdditionalData("empty", &size), nullptr) << "0 bytes under a new key store nothing";
    sut.SetAdditionalData("text", nullptr, 0);
    EXPECT_NE(sut.GetAdditionalData("text", &size), nullptr) << "0 bytes under an existing key leave an empty block";
    EXPECT_EQ(size, 0);

    sut.SetAdditionalData("bad", nullptr, 4);
    sut.SetAdditionalData("bad", "xy", -3);
    EXPECT_EQ(sut.GetAdditionalData("bad", nullptr), nullptr) << "unusable sizes and sources store nothing";

    EXPECT_TRUE(sut.ClearAdditionalData("text"));
    EXPECT_EQ(sut.GetAdditionalData("text", nullptr), nullptr);
    EXPECT_FALSE(sut.ClearAdditionalData("text"));
}

// Tests that names are kept and found exactly, case included, and that the
// empty name finds an unnamed object.
TEST_F(CommonObjects, FindByNameIsExact)
{
    CommonObjectBase named;
    named.SetCOName(OvString("Printer"));
    EXPECT_STREQ(static_cast<const char*>(named.GetCOName()), "Printer");
    EXPECT_EQ(CommonObjectEventManager::FindObjectByCOName("Printer"), &named);
    EXPECT_EQ(CommonObjectEventManager::FindObjectByCOName("printer"), nullptr);
    EXPECT_EQ(CommonObjectEventManager::FindObjectByCOName("Print"), nullptr);
    EXPECT_EQ(CommonObjectEventManager::FindObjectByCOName(nullptr), nullptr);
    EXPECT_EQ(CommonObjectEventManager::FindObjectByCOName(""), nullptr);
    CommonObjectBase unnamed;
    EXPECT_EQ(CommonObjectEventManager::FindObjectByCOName(""), &unnamed);
}

// Tests that a notification goes to the notify target even when a parent
// exists, to the parent otherwise, and nowhere without either.
TEST_F(CommonObjects, NotifyPrefersTargetThenParent)
{
    RecordingObject parent;
    RecordingObject target;
    RecordingObject sut;
    EXPECT_FALSE(sut.Notify(0x50u, 1L));

    sut.SetParent(&parent);
    EXPECT_TRUE(sut.Notify(0x51u, static_cast<short>(3), static_cast<short>(-2)));
    ASSERT_EQ(parent.received.size(), 1u);
    EXPECT_EQ(parent.received[0].targetID, parent.GetID());
    EXPECT_EQ(parent.received[0].senderID, sut.GetID());
    EXPECT_EQ(COPairX(parent.received[0].Value()), 3);
    EXPECT_EQ(COPairY(parent.received[0].Value()), -2);

    EXPECT_EQ(sut.SetNotifyID(target.GetID()), 0);
    EXPECT_EQ(sut.GetNotifyID(), target.GetID());
    EXPECT_TRUE(sut.Notify(0x52u, static_cast<void*>(&sut)));
    ASSERT_EQ(target.received.size(), 1u);
    EXPECT_EQ(target.received[0].data, static_cast<void*>(&sut));
    EXPECT_EQ(parent.received.size(), 1u);
}

// Tests the kill reaction: the notification carries EVENT_KILLED and -1,
// NoRearrange on the manager suppresses it, and an object without a manager
// notifies too instead of failing.
TEST_F(CommonObjects, OnKilledNotifiesUnlessManagerSaysNoRearrange)
{
    CommonObjectEventManager manager; // outlives the objects: the last manager deletes what is left
    RecordingObject watcher;
    RecordingObject sut;
    sut.SetNotifyID(watcher.GetID());
    EXPECT_TRUE(sut.OnKilled());
    ASSERT_EQ(watcher.received.size(), 1u);
    EXPECT_EQ(watcher.received[0].eventCode, EVENT_KILLED);
    EXPECT_EQ(watcher.received[0].Value(), -1);

    sut.SetManager(&manager);
    manager.SetNoRearrange(true);
    EXPECT_TRUE(sut.OnKilled());
    EXPECT_EQ(watcher.received.size(), 1u);
    manager.SetNoRearrange(false);
    CommonObjectEventManager::staticKillCallback(reinterpret_cast<void*>(static_cast<intptr_t>(sut.GetID())),
                                                 static_cast<OnButton*>(nullptr));
    EXPECT_EQ(watcher.received.size(), 2u);
    sut.SetManager(nullptr);
}

class SelfDestroyingObject : public CommonObjectBase {
protected:
    bool HandleEvent(COEvent*) override
    {
        delete this;
        return true;
    }
};

// Tests that a handler may destroy its own object during a send.
TEST_F(CommonObjects, HandlerMayDestroyItsObject)
{
    auto* doomed = new SelfDestroyingObject;
    const long doomedID = doomed->GetID();
    EXPECT_EQ(CommonObjectEventManager::SendSimpleEvent(doomedID, 1u, 0L), doomedID);
    EXPECT_EQ(CommonObjectEventManager::FindObjectByID(doomedID), nullptr);
}

} // namespace
