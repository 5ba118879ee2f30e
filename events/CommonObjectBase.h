#pragma once

#include "events/COEvent.h"
#include "events/HostTypes.h"
#include "foundation/OvString.h"
#include "platform/Export.h"

class COHook;
class CommonObjectEventManager;
class AdditionalDataMap;

// Object type numbers answered by IsObjectType.
constexpr int OBJECT_TYPE_DISPATCHER = 11;
constexpr int OBJECT_TYPE_COMMON_OBJECT = 13;

// The base of every object that takes part in the event framework.
//
// Construction gives the object the next process-unique ID and enters it in the
// object registry, so it can be reached by ID (and sent or posted events)
// before a derived constructor has run; the destructor removes it again. The
// registry does not own objects: their lifetime is their owner's business, and
// IDs left behind in receiver lists and queues are skipped at delivery.
//
// The object owns its hook chain and its additional data. Name and additional
// data are guarded by the process-wide objectDataLock and may be used from any
// thread; everything else belongs to the thread that runs the framework.
//
// The virtual slot order is exported interface that modules built elsewhere
// call through: never reorder, insert or remove a virtual function.
class VELMORA_API CommonObjectBase {
public:
    CommonObjectBase();
    CommonObjectBase(const CommonObjectBase&) = delete;
    CommonObjectBase& operator=(const CommonObjectBase&) = delete;

    virtual ~CommonObjectBase();
    // Called before the framework deletes or kills the object.
    virtual void ExportObject();
    virtual CommonObject* CastIfCommonObject();
    virtual void SetCOName(OvString name);
    virtual OvString GetCOName();
    // The stored bytes themselves (not a copy) and their length, or null and 0.
    virtual void* GetAdditionalData(const char* key, long* size);
    virtual CommonObjectBase* SetAdditionalData(const char* key, const void* bytes, long size);
    // Stores the text with its terminating NUL; a null text stores nothing.
    virtual CommonObjectBase* SetAdditionalData(const char* key, const char* text);
    // Stores the value as decimal text with its NUL.
    virtual CommonObjectBase* SetAdditionalData(const char* key, int value);
    virtual bool ClearAdditionalData(const char* key);
    virtual long SetNotifyID(long notifyTarget);
    virtual long GetNotifyID();
    virtual bool IsObjectType(int type);

protected:
    // Handles the idle event only; overrides pass the codes they do not
    // handle on to this version so that idle delivery keeps working.
    virtual bool HandleEvent(COEvent* event);
    virtual bool HandleEventWithHooks(COEvent* event);
    virtual bool OnIdle(unsigned long time);
    virtual bool OnKilled();
    virtual bool Notify(unsigned int code, short x, short y);
    virtual bool Notify(unsigned int code, void* pointer);
    virtual bool Notify(unsigned int code, long value);
    // Delivers to the notify target, else to the parent; false without either.
    virtual bool Notify(COEvent* event);

public:
    long GetID() const { return id; }
    COHook* GetHook() const { return hook; }
    ICommonObjectCollection* GetParent() const { return parent; }
    CommonObjectEventManager* GetManager() const { return manager; }
    CommonObjectBase* FindObjectByID(long objectID);

    // Synchronous sends from this object; each returns the ID of the object
    // that accepted the event, or 0.
    long SendEvent(long to, unsigned int code, void* data, int size);
    long SendEvent(long to, unsigned int code, long value);
    long SendEvent(long to, unsigned int code, short x, short y);
    long SendRoutedEvent(long to, unsigned short route, unsigned int code, void* data, int size);
    long SendRoutedEvent(long to, unsigned short route, unsigned int code, long value);

    // Posts from this object; a data block is copied before the call returns.
    void PostEvent(long to, unsigned int code, void* data, int size);
    void PostEvent(long to, unsigned int code, long value);
    void PostEvent(long to, unsigned int code, short x, short y);
    void PostRoutedEvent(long to, unsigned short route, unsigned int code, void* data, int size);
    void PostRoutedEvent(long to, unsigned short route, unsigned int code, long value);

    bool RequestIdleEvents();
    bool UnrequestIdleEvents();

    // The ID registered under a dispatcher name, or 0.
    long GetDispatcher(const char* name);
    // Becomes a receiver of the named dispatcher, creating a plain one when
    // the name is not served yet: 1 when it existed, 0 when it was created.
    long Request(const char* name);
    bool Unrequest(const char* name);

protected:
    long id;
    COHook* hook;
    ICommonObjectCollection* parent;
    CommonObjectEventManager* manager;
    AdditionalDataMap* additionalData;
    long notifyID;
    OvString coName;

    // The parent seen as the common object it must be.
    CommonObjectBase* ParentObject() const { return reinterpret_cast<CommonObjectBase*>(parent); }

    friend class CommonObjectEventManager;
    friend class CODispatcher;
};
