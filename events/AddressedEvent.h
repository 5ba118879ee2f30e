#pragma once

#include "events/COEvent.h"

// The record that the manager's send and post build from their arguments:
// an event for one object, the target also being its addressee.
inline COEvent AddressedEvent(long from, long to, unsigned int code, void* data, int size, unsigned short route)
{
    COEvent event{};
    event.senderID = static_cast<int32_t>(from);
    event.targetID = static_cast<int32_t>(to);
    event.addresseeID = static_cast<int32_t>(to);
    event.route = route;
    event.eventCode = code;
    event.dataSize = size;
    event.data = data;
    return event;
}
