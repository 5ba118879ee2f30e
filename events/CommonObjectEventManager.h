#pragma once

#include "events/COEvent.h"
#include "events/HostTypes.h"
#include "platform/Export.h"

class CommonObjectBase;
class CODispatcher;
class EventQueue;

// The event machinery of the framework, almost all of it process-wide.
//
// Registry, dispatcher name table and both event queues are guarded by one
// re-entrant lock (managerLock), held only around each table or queue access
// and never while an event is delivered. Any thread may post: the data block
// is copied before the lock is taken and the lock is held for the append only.
// Sends run on the caller's thread; dispatching (staticDispatchEvents and
// staticDispatchDelayedEvents) runs on the thread that owns the framework, and
// handlers may post, send, create and destroy objects, themselves included,
// and even dispatch again.
//
// An instance adds a Page and the NoRearrange flag. The first live instance
// creates the standing "Idle" and "Broadcast" dispatchers; destroying an
// instance deletes the object trees that belong to it, and destroying the last
// one returns the framework to its initial state (FreeStatics).
class VELMORA_API CommonObjectEventManager {
public:
    explicit CommonObjectEventManager(Page* page = nullptr);
    ~CommonObjectEventManager();
    CommonObjectEventManager(const CommonObjectEventManager&) = delete;
    CommonObjectEventManager& operator=(const CommonObjectEventManager&) = delete;

    Page* GetPage() const { return page; }
    void SetNoRearrange(bool flag) { noRearrange = flag; }
    bool GetNoRearrange() const { return noRearrange; }

    // The object registry.
    static long GetNewID();
    static void UnregisterObjectID(long objectID);
    static CommonObjectBase* FindObjectByID(long objectID);
    static CommonObjectBase* FindObjectByCOName(const char* name);

    // Synchronous delivery of a prepared event to the ID (or, for 0, to the
    // event's targetID); false when nobody is registered there.
    static bool staticSendEvent(COEvent* event, long objectID);
    // Builds an event on the stack and delivers it; the ID of the accepting
    // object, or 0.
    static long staticSendEvent(long from, long to, unsigned int code, void* data, int size, unsigned short route);
    // The same to the dispatcher registered under the name; 0 when the name is
    // unknown. A literal 0 as target makes the two forms ambiguous: pass 0L.
    static long staticSendEvent(long from, const char* dispatcherName, unsigned int code, void* data, int size,
                                unsigned short route);
    static long SendSimpleEvent(long to, unsigned int code, long value);
    static long SendSimpleEvent(long to, unsigned int code, short x, short y);
    static long SendRoutedEvent(long to, unsigned short route, unsigned int code, long value);

    // Queues an event; a block of size > 0 is copied (with malloc) so the
    // caller may reuse its buffer at once. ROUTE_DELAYED selects the delayed
    // queue. At delivery a declined copy is freed by the dispatcher; an
    // accepted one belongs to the handler, which frees it with free when done.
    static void staticPostEvent(long from, long to, unsigned int code, void* data, int size, unsigned short route);
    // Delivers every queued event, the idle event to the idle receivers, then
    // whatever the idle handlers posted. time 0 means the clock's time now.
    static void staticDispatchEvents(unsigned long time);
    static void staticDispatchDelayedEvents(unsigned long unused);
    // Nesting switch: dispatching is suspended while disables outnumber enables.
    static void staticDisableDispatchingEvents(bool disable);
    static bool staticIsEventDispatchingDisabled();

    // The dispatcher name table.
    static long staticGetDispatcher(const char* name);
    static bool staticRegisterDispatcher(const char* name, long dispatcherID);
    static bool staticUnregisterDispatcher(const char* name);
    static bool staticRequestDispatcher(const char* name, long receiverID);
    static bool staticUnrequestDispatcher(const char* name, long receiverID);

    // Callbacks for the host's modules; objectID carries an object ID.
    static void staticPosChangeCallback(void* objectID, int x, int y);
    static void staticKillCallback(void* objectID, ActiveObject* object, bool flag, ActiveObjectMapIterator* where);
    static void staticKillCallback(void* objectID, OnButton* button);

    // Deletes every registered object, drops both queues (freeing their data
    // copies), empties the name table and restarts IDs at FIRST_OBJECT_ID.
    static void FreeStatics();

    static constexpr long FIRST_OBJECT_ID = 0x10000000;

protected:
    static void RegisterObjectID(long objectID, CommonObjectBase* object);
    static void staticRequestIdleEvents(long objectID);
    static void staticUnrequestIdleEvents(long objectID);
    static void staticRequestBroadcasts(long objectID);
    static void staticUnrequestBroadcasts(long objectID);

private:
    // Delivers the queue's events one at a time until it is empty.
    static void DrainQueue(EventQueue& queue);

    Page* page;
    bool noRearrange;

    friend class CommonObjectBase;
};
