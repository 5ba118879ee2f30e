// The object registry and the synchronous send path of
// CommonObjectEventManager.
#include "events/AddressedEvent.h"
#include "events/CODispatcher.h"
#include "events/CommonObjectBase.h"
#include "events/CommonObjectEventManager.h"
#include "events/FrameworkStatics.h"

#include <cstring>

long CommonObjectEventManager::GetNewID()
{
    FrameworkStatics& statics = Statics();
    platform::ScopedLock lock(statics.managerLock);
    return statics.nextObjectID++;
}

void CommonObjectEventManager::RegisterObjectID(long objectID, CommonObjectBase* object)
{
    FrameworkStatics& statics = Statics();
    platform::ScopedLock lock(statics.managerLock);
    statics.objectRegistry[static_cast<int32_t>(objectID)] = object;
}

void CommonObjectEventManager::UnregisterObjectID(long objectID)
{
    FrameworkStatics& statics = Statics();
    platform::ScopedLock lock(statics.managerLock);
    statics.objectRegistry.erase(static_cast<int32_t>(objectID));
}

CommonObjectBase* CommonObjectEventManager::FindObjectByID(long objectID)
{
    FrameworkStatics& statics = Statics();
    platform::ScopedLock lock(statics.managerLock);
    auto found = statics.objectRegistry.find(static_cast<int32_t>(objectID));
    return found != statics.objectRegistry.end() ? found->second : nullptr;
}

CommonObjectBase* CommonObjectEventManager::FindObjectByCOName(const char* name)
{
    if (name == nullptr) {
        return nullptr;
    }
    FrameworkStatics& statics = Statics();
    platform::ScopedLock lock(statics.managerLock);
    const size_t length = std::strlen(name);
    for (auto& entry : statics.objectRegistry) {
        // Names are compared over their full length, embedded zeros included.
        OvString objectName = entry.second->GetCOName();
        if (static_cast<size_t>(objectName.GetLength()) == length &&
            std::memcmp(static_cast<const char*>(objectName), name, length) == 0) {
            return entry.second;
        }
    }
    return nullptr;
}

bool CommonObjectEventManager::staticSendEvent(COEvent* event, long objectID)
{
    if (objectID != 0) {
        event->targetID = static_cast<int32_t>(objectID);
    } else {
        objectID = event->targetID;
    }
    CommonObjectBase* object = FindObjectByID(objectID);
    if (object == nullptr) {
        return false;
    }
    return object->HandleEventWithHooks(event);
}

long CommonObjectEventManager::staticSendEvent(long from, long to, unsigned int code, void* data, int size,
                                               unsigned short route)
{
    COEvent event = AddressedEvent(from, to, code, data, size, route);
    if (!staticSendEvent(&event, 0)) {
        return 0;
    }
    return event.targetID;
}

long CommonObjectEventManager::staticSendEvent(long from, const char* dispatcherName, unsigned int code, void* data,
                                               int size, unsigned short route)
{
    return staticSendEvent(from, staticGetDispatcher(dispatcherName), code, data, size, route);
}

long CommonObjectEventManager::SendSimpleEvent(long to, unsigned int code, long value)
{
    return staticSendEvent(0L, to, code, reinterpret_cast<void*>(static_cast<intptr_t>(value)), 0, 0);
}

long CommonObjectEventManager::SendSimpleEvent(long to, unsigned int code, short x, short y)
{
    return SendSimpleEvent(to, code, COPackPair(x, y));
}

long CommonObjectEventManager::SendRoutedEvent(long to, unsigned short route, unsigned int code, long value)
{
    return staticSendEvent(0L, to, code, reinterpret_cast<void*>(static_cast<intptr_t>(value)), 0, route);
}
