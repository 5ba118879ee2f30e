#include "events/CommonObjectBase.h"

#include "events/AdditionalDataMap.h"
#include "events/COHook.h"
#include "events/CommonObjectEventManager.h"
#include "events/FrameworkStatics.h"

#include <cstdio>
#include <cstring>

namespace {
void* AsData(long value)
{
    return reinterpret_cast<void*>(static_cast<intptr_t>(value));
}
} // namespace

CommonObjectBase::CommonObjectBase()
    : id(0), hook(nullptr), parent(nullptr), manager(nullptr), additionalData(nullptr), notifyID(0), coName()
{
    // Registered last, so a lookup never finds a half-set-up base.
    id = CommonObjectEventManager::GetNewID();
    CommonObjectEventManager::RegisterObjectID(id, this);
}

CommonObjectBase::~CommonObjectBase()
{
    CommonObjectEventManager::UnregisterObjectID(id);
    delete additionalData;
    additionalData = nullptr;
    delete hook;
    hook = nullptr;
    id = 0;
}

void CommonObjectBase::ExportObject() {}

CommonObject* CommonObjectBase::CastIfCommonObject()
{
    return nullptr;
}

void CommonObjectBase::SetCOName(OvString name)
{
    platform::ScopedLock lock(Statics().objectDataLock);
    coName = name;
}

OvString CommonObjectBase::GetCOName()
{
    platform::ScopedLock lock(Statics().objectDataLock);
    OvString copy(coName);
    return copy;
}

void* CommonObjectBase::GetAdditionalData(const char* key, long* size)
{
    platform::ScopedLock lock(Statics().objectDataLock);
    long length = 0;
    void* bytes = nullptr;
    if (additionalData != nullptr && key != nullptr) {
        bytes = additionalData->Find(key, length);
    }
    if (size != nullptr) {
        *size = length;
    }
    return bytes;
}

CommonObjectBase* CommonObjectBase::SetAdditionalData(const char* key, const void* bytes, long size)
{
    // A negative size, or a missing source for a positive one, would copy from
    // nowhere: such a call stores nothing.
    if (key == nullptr || size < 0 || (size > 0 && bytes == nullptr)) {
        return this;
    }
    platform::ScopedLock lock(Statics().objectDataLock);
    if (additionalData == nullptr) {
        additionalData = new AdditionalDataMap;
    }
    long oldSize = 0;
    void* stored = GetAdditionalData(key, &oldSize);
    if (size == oldSize) {
        // Same length: the block stays, so earlier pointers see the new bytes.
        if (size > 0 && stored != nullptr) {
            std::memmove(stored, bytes, static_cast<size_t>(size));
        }
    } else {
        additionalData->Replace(key, bytes, size);
    }
    return this;
}

CommonObjectBase* CommonObjectBase::SetAdditionalData(const char* key, const char* text)
{
    if (text != nullptr) {
        SetAdditionalData(key, static_cast<const void*>(text), static_cast<long>(std::strlen(text) + 1));
    }
    return this;
}

CommonObjectBase* CommonObjectBase::SetAdditionalData(const char* key, int value)
{
    char text[12];
    std::snprintf(text, sizeof text, "%d", value);
    return SetAdditionalData(key, static_cast<const void*>(text), static_cast<long>(std::strlen(text) + 1));
}

bool CommonObjectBase::ClearAdditionalData(const char* key)
{
    platform::ScopedLock lock(Statics().objectDataLock);
    if (additionalData == nullptr || GetAdditionalData(key, nullptr) == nullptr) {
        return false;
    }
    return additionalData->Remove(key);
}

long CommonObjectBase::SetNotifyID(long notifyTarget)
{
    const long previous = notifyID;
    notifyID = notifyTarget;
    return previous;
}

long CommonObjectBase::GetNotifyID()
{
    return notifyID;
}

bool CommonObjectBase::IsObjectType(int type)
{
    return type == OBJECT_TYPE_COMMON_OBJECT;
}

bool CommonObjectBase::HandleEvent(COEvent* event)
{
    if (event->eventCode == EVENT_IDLE) {
        OnIdle(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(event->data)));
        return true;
    }
    return false;
}

bool CommonObjectBase::HandleEventWithHooks(COEvent* event)
{
    for (COHook* link = hook; link != nullptr; link = link->nextHook) {
        if (link->HandleEvent(this, event)) {
            return true;
        }
    }
    return HandleEvent(event);
}

bool CommonObjectBase::OnIdle(unsigned long)
{
    return false;
}

bool CommonObjectBase::OnKilled()
{
    ExportObject();
    // An object without a manager has no NoRearrange flag to consult; it is
    // treated like one whose manager does not suppress the notification.
    if (manager != nullptr && manager->GetNoRearrange()) {
        return true;
    }
    return Notify(EVENT_KILLED, -1L);
}

bool CommonObjectBase::Notify(unsigned int code, short x, short y)
{
    return Notify(code, COPackPair(x, y));
}

bool CommonObjectBase::Notify(unsigned int code, void* pointer)
{
    return Notify(code, static_cast<long>(reinterpret_cast<intptr_t>(pointer)));
}

bool CommonObjectBase::Notify(unsigned int code, long value)
{
    COEvent event{};
    event.senderID = static_cast<int32_t>(id);
    event.route = 0;
    event.eventCode = code;
    event.dataSize = 0;
    event.SetValue(value);
    return Notify(&event);
}

bool CommonObjectBase::Notify(COEvent* event)
{
    const long target = GetNotifyID();
    if (target != 0) {
        return CommonObjectEventManager::staticSendEvent(event, target);
    }
    if (parent != nullptr) {
        CommonObjectBase* parentObject = ParentObject();
        event->targetID = static_cast<int32_t>(parentObject->id);
        return parentObject->HandleEventWithHooks(event);
    }
    return false;
}

CommonObjectBase* CommonObjectBase::FindObjectByID(long objectID)
{
    return CommonObjectEventManager::FindObjectByID(objectID);
}

long CommonObjectBase::SendEvent(long to, unsigned int code, void* data, int size)
{
    return CommonObjectEventManager::staticSendEvent(id, to, code, data, size, 0);
}

long CommonObjectBase::SendEvent(long to, unsigned int code, long value)
{
    return CommonObjectEventManager::staticSendEvent(id, to, code, AsData(value), 0, 0);
}

long CommonObjectBase::SendEvent(long to, unsigned int code, short x, short y)
{
    return CommonObjectEventManager::staticSendEvent(id, to, code, AsData(COPackPair(x, y)), 0, 0);
}

long CommonObjectBase::SendRoutedEvent(long to, unsigned short route, unsigned int code, void* data, int size)
{
    return CommonObjectEventManager::staticSendEvent(id, to, code, data, size, route);
}

long CommonObjectBase::SendRoutedEvent(long to, unsigned short route, unsigned int code, long value)
{
    return CommonObjectEventManager::staticSendEvent(id, to, code, AsData(value), 0, route);
}

void CommonObjectBase::PostEvent(long to, unsigned int code, void* data, int size)
{
    CommonObjectEventManager::staticPostEvent(id, to, code, data, size, 0);
}

void CommonObjectBase::PostEvent(long to, unsigned int code, long value)
{
    CommonObjectEventManager::staticPostEvent(id, to, code, AsData(value), 0, 0);
}

void CommonObjectBase::PostEvent(long to, unsigned int code, short x, short y)
{
    CommonObjectEventManager::staticPostEvent(id, to, code, AsData(COPackPair(x, y)), 0, 0);
}

void CommonObjectBase::PostRoutedEvent(long to, unsigned short route, unsigned int code, void* data, int size)
{
    CommonObjectEventManager::staticPostEvent(id, to, code, data, size, route);
}

void CommonObjectBase::PostRoutedEvent(long to, unsigned short route, unsigned int code, long value)
{
    CommonObjectEventManager::staticPostEvent(id, to, code, AsData(value), 0, route);
}

bool CommonObjectBase::RequestIdleEvents()
{
    CommonObjectEventManager::staticRequestIdleEvents(id);
    return true;
}

bool CommonObjectBase::UnrequestIdleEvents()
{
    CommonObjectEventManager::staticUnrequestIdleEvents(id);
    return true;
}

long CommonObjectBase::GetDispatcher(const char* name)
{
    return CommonObjectEventManager::staticGetDispatcher(name);
}

long CommonObjectBase::Request(const char* name)
{
    return CommonObjectEventManager::staticRequestDispatcher(name, id) ? 1 : 0;
}

bool CommonObjectBase::Unrequest(const char* name)
{
    return CommonObjectEventManager::staticUnrequestDispatcher(name, id);
}
