#include "BusListener.h"

#include "EventLine.h"

bool BusListener::HandleEvent(COEvent* event)
{
    if (event->eventCode == EVENT_IDLE) {
        return CommonObjectBase::HandleEvent(event);
    }
    const std::string line = FormatEventLine(*event) + "\n";
    std::fwrite(line.data(), 1, line.size(), output);
    std::fflush(output);
    ++received;
    return true;
}
