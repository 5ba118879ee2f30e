// Lifetime, posting and dispatching of CommonObjectEventManager.
#include "events/CommonObjectEventManager.h"
#include "events/AddressedEvent.h"

#include "events/CODispatcher.h"
#include "events/CommonObjectBase.h"
#include "events/FrameworkStatics.h"
#include "platform/Clock.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {
CommonObjectBase* TopmostAncestor(CommonObjectBase* object)
{
    // The parent is a collection that is a common object at the same address.
    while (object->GetParent() != nullptr) {
        object = reinterpret_cast<CommonObjectBase*>(object->GetParent());
    }
    return object;
}
} // namespace

CommonObjectEventManager::CommonObjectEventManager(Page* managerPage)
{
    FrameworkStatics& statics = Statics();
    ++statics.managerCount;
    if (statics.idleDispatcher == nullptr) {
        statics.idleDispatcher = new CODispatcher("Idle");
    }
    if (statics.broadcastDispatcher == nullptr) {
        statics.broadcastDispatcher = new CODispatcher("Broadcast");
    }
    page = managerPage;
    noRearrange = false;
}

CommonObjectEventManager::~CommonObjectEventManager()
{
    FrameworkStatics& statics = Statics();
    platform::ScopedLock lock(statics.managerLock);
    bool restart = true;
    while (restart) {
        restart = false;
        for (auto& entry : statics.objectRegistry) {
            if (entry.second->manager != this) {
                continue;
            }
            const int32_t objectID = entry.first;
            CommonObjectBase* root = TopmostAncestor(entry.second);
            lock.Release();
            root->ExportObject();
            delete root;
            lock.Acquire();
            // A host collection that left this object alive when its tree
            // went must not keep the visit turning forever.
            statics.objectRegistry.erase(objectID);
            restart = true;
            break;
        }
    }
    lock.Release();
    if (--statics.managerCount == 0) {
        FreeStatics();
    }
}

void CommonObjectEventManager::FreeStatics()
{
    FrameworkStatics& statics = Statics();
    platform::ScopedLock lock(statics.managerLock);
    statics.idleDispatcher = nullptr;
    statics.broadcastDispatcher = nullptr;
    while (!statics.objectRegistry.empty()) {
        auto first = statics.objectRegistry.begin();
        const int32_t objectID = first->first;
        CommonObjectBase* object = first->second;
        lock.Release();
        object->ExportObject();
        delete object;
        lock.Acquire();
        // A destructor that failed to unregister (say, a derived class that
        // changed its ID) must not keep this loop turning forever.
        statics.objectRegistry.erase(objectID);
    }
    statics.eventQueue.DiscardAll();
    statics.delayedEventQueue.DiscardAll();
    statics.dispatcherNames.clear();
    statics.nextObjectID = FIRST_OBJECT_ID;
}

void CommonObjectEventManager::staticPostEvent(long from, long to, unsigned int code, void* data, int size,
                                               unsigned short route)
{
    COEvent event = AddressedEvent(from, to, code, data, size, route);
    if (size > 0 && data != nullptr) {
        void* copy = std::malloc(static_cast<size_t>(size));
        if (copy == nullptr) {
            throw std::bad_alloc();
        }
        std::memcpy(copy, data, static_cast<size_t>(size));
        event.data = copy;
    }
    FrameworkStatics& statics = Statics();
    platform::ScopedLock lock(statics.managerLock);
    if ((route & ROUTE_DELAYED) != 0) {
        statics.delayedEventQueue.Push(event);
    } else {
        statics.eventQueue.Push(event);
    }
}

void CommonObjectEventManager::staticDispatchEvents(unsigned long time)
{
    FrameworkStatics& statics = Statics();
    if (statics.dispatchDisableCount != 0) {
        return;
    }
    DrainQueue(statics.eventQueue);

    CODispatcher* idle = statics.idleDispatcher;
    if (idle != nullptr && idle->GetCount() > 0) {
        COEvent event{};
        event.senderID = 0;
        event.targetID = static_cast<int32_t>(idle->GetID());
        event.addresseeID = event.targetID;
        event.route = ROUTE_ALL_RECEIVERS;
        event.eventCode = EVENT_IDLE;
        event.dataSize = 0;
        event.SetValue(static_cast<long>(time != 0 ? time : platform::MillisecondClock()));
        idle->HandleEvent(&event);
    }

    DrainQueue(statics.eventQueue);
}

// Each event's head record is taken and its target looked up in the registry
// under one hold of managerLock; the event is delivered unlocked (an unknown
// target declines, as a send to it would), a declined data copy is freed, and
// the lock is taken again for the next record.
void CommonObjectEventManager::DrainQueue(EventQueue& queue)
{
    FrameworkStatics& statics = Statics();
    platform::ScopedLock lock(statics.managerLock);
    COEvent event;
    while (queue.Pop(event)) {
        const auto found = statics.objectRegistry.find(event.targetID);
        CommonObjectBase* target = found != statics.objectRegistry.end() ? found->second : nullptr;
        lock.Release();
        const bool handled = target != nullptr && target->HandleEventWithHooks(&event);
        // An accepted block belongs to the handler from now on.
        if (event.dataSize > 0 && !handled) {
            std::free(event.data);
        }
        lock.Acquire();
    }
}

void CommonObjectEventManager::staticDispatchDelayedEvents(unsigned long)
{
    FrameworkStatics& statics = Statics();
    if (statics.dispatchDisableCount != 0) {
        return;
    }
    DrainQueue(statics.delayedEventQueue);
}

void CommonObjectEventManager::staticDisableDispatchingEvents(bool disable)
{
    int& count = Statics().dispatchDisableCount;
    if (disable) {
        ++count;
    } else if (count > 0) {
        // An enable without a matching disable would otherwise drive the
        // counter below zero and so suspend dispatching for good.
        --count;
    }
}

bool CommonObjectEventManager::staticIsEventDispatchingDisabled()
{
    return Statics().dispatchDisableCount != 0;
}

void CommonObjectEventManager::staticRequestIdleEvents(long objectID)
{
    if (CODispatcher* idle = Statics().idleDispatcher) {
        idle->AddReceiver(objectID);
    }
}

void CommonObjectEventManager::staticUnrequestIdleEvents(long objectID)
{
    if (CODispatcher* idle = Statics().idleDispatcher) {
        idle->RemoveReceiver(objectID);
    }
}

void CommonObjectEventManager::staticRequestBroadcasts(long objectID)
{
    if (CODispatcher* broadcast = Statics().broadcastDispatcher) {
        broadcast->AddReceiver(objectID);
    }
}

void CommonObjectEventManager::staticUnrequestBroadcasts(long objectID)
{
    if (CODispatcher* broadcast = Statics().broadcastDispatcher) {
        broadcast->RemoveReceiver(objectID);
    }
}

void CommonObjectEventManager::staticPosChangeCallback(void* objectID, int x, int y)
{
    const long id = static_cast<long>(reinterpret_cast<intptr_t>(objectID));
    const long packed = COPackPair(static_cast<short>(x), static_cast<short>(y));
    staticPostEvent(id, id, EVENT_POS_CHANGED, reinterpret_cast<void*>(static_cast<intptr_t>(packed)), 0, 0);
}

void CommonObjectEventManager::staticKillCallback(void* objectID, ActiveObject*, bool, ActiveObjectMapIterator*)
{
    staticKillCallback(objectID, static_cast<OnButton*>(nullptr));
}

void CommonObjectEventManager::staticKillCallback(void* objectID, OnButton*)
{
    if (CommonObjectBase* object = FindObjectByID(static_cast<long>(reinterpret_cast<intptr_t>(objectID)))) {
        object->OnKilled();
    }
}
