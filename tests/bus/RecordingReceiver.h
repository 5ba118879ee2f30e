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

// The codes a receiver got, in delivery order.
inline std::vector<unsigned int> Codes(const RecordingReceiver& from)
{
    std::vector<unsigned int> codes;
    for (const auto& event : from.events) {
        codes.push_back(event.code);
    }
    return codes;
}

// The codes first..last, both included.
inline std::vector<unsigned int> Range(unsigned int first, unsigned int last)
{
    std::vector<unsigned int> codes;
    for (unsigned int code = first; code <= last; ++code) {
        codes.push_back(code);
    }
    return codes;
}
