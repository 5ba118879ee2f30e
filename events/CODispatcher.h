#pragma once

#include "events/CommonObjectBase.h"

#include <cstdint>
#include <vector>

// A common object that stands for a group: an event given to it is passed on
// to the objects on its receiver list, in list order until one accepts, or to
// all of them with ROUTE_ALL_RECEIVERS; ROUTE_SAME_MANAGER limits delivery to
// receivers sharing the sender's manager.
//
// A dispatcher constructed with a name enters it in the process-wide name
// table when the name is free, and its destructor removes the name's entry.
// The receiver list holds IDs, not objects: destroyed receivers and blanked
// entries stay on it until GetNext compacts them away. The list has no lock of
// its own; it belongs to the thread that runs the framework. Delivery walks a
// copy, so handlers may add and remove receivers while it runs.
//
// Slots 21 to 27 continue the base's virtual slot order and are exported
// interface as well.
class VELMORA_API CODispatcher : public CommonObjectBase {
public:
    CODispatcher();
    explicit CODispatcher(const char* name);
    ~CODispatcher() override;

    bool IsObjectType(int type) override;
    bool HandleEvent(COEvent* event) override;

    // The next live receiver from position on (0 to start), dropping dead and
    // blank entries on the way by moving the last entry into their place;
    // null, with position reset to 0, at the end.
    virtual CommonObjectBase* GetNext(int* position);
    virtual long GetNthID(int index);
    virtual int GetCount();
    // Appends the ID, even when it is already on the list.
    virtual long AddReceiver(long receiverID);
    // Blanks every entry of the ID; the list keeps its length.
    virtual bool RemoveReceiver(long receiverID);
    virtual bool ExistsReceiver(long receiverID);
    virtual void RemoveAll();

    const char* GetName() const { return name; }

    static constexpr int RECEIVER_GROWTH = 25;

protected:
    char* name;
    std::vector<int32_t> receivers;
};
