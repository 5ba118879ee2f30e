#pragma once

#include "events/CommonObjectBase.h"

#include <cstdint>
#include <string>
#include <vector>

// A receiver that keeps a copy of every event delivered to it, data bytes
// included, since the bus releases the data right after delivery.
class RecordingReceiver : public CommonObjectBase {
public:
    struct Received {
        unsigned int code;
        int dataSize;
        long value;
        const void* address;
        std::string bytes;
    };

    std::vector<Received> events;

protected:
    bool HandleEvent(COEvent* event) override
    {
        if (event->eventCode == EVENT_IDLE) {
            return CommonObjectBase::HandleEvent(event);
        }
        Received copy{event->eventCode, event->dataSize, 0, event->data, {}};
        if (event->dataSize > 0) {
            copy.bytes.assign(static_cast<const char*>(event->data), static_cast<size_t>(event->dataSize));
        } else {
            copy.value = event->Value();
        }
        events.push_back(copy);
        return true;
    }
};
