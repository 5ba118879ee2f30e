#pragma once

#include "platform/Export.h"

#include <cstdint>

// The product's millisecond clock, which can be frozen: while a non-zero time
// is set, every caller sees that same instant. 0 means the real clock.
VELMORA_API uint32_t animTimeGetTime();
VELMORA_API void animSetTime(uint32_t time);
VELMORA_API void utilSleep(uint32_t milliseconds);
