#include "platform/Clock.h"

#include <windows.h>

// Needs the types of <windows.h> first.
#include <mmsystem.h>

namespace platform {

uint32_t MillisecondClock()
{
    return timeGetTime();
}

void SleepMilliseconds(uint32_t milliseconds)
{
    Sleep(milliseconds);
}

} // namespace platform
