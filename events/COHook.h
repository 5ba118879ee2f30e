#pragma once

#include "events/COEvent.h"
#include "events/HostTypes.h"
#include "platform/Export.h"

class CommonObjectBase;

// One link of an object's hook chain. Hooks see the object's events before
// the object does; the first hook whose HandleEvent returns true consumes the
// event. A hook owns the rest of the chain behind it, and the object owns the
// first hook, so deleting the object deletes the whole chain. The virtual
// slot order below is exported interface: add nothing before the end.
class VELMORA_API COHook {
public:
    COHook() = default;
    COHook(const COHook&) = delete;
    COHook& operator=(const COHook&) = delete;

    virtual ~COHook();
    virtual bool Init(ICommonObject* object);
    virtual bool HandleEvent(CommonObjectBase* object, COEvent* event);
    virtual bool IsObjectType(const char* typeName);

    COHook* nextHook = nullptr;
};
