#pragma once

#include "platform/Export.h"

#include <cstdint>

class SharedHeap;

// The first user of a heap. The heap calls it once from its constructor, while
// the heap's mutex is held, so that exactly one process of all those attaching
// at once sees created = true and sets up what the root slot leads to.
// rootSlot is the start of segment 0; null when segment 0 could not be mapped.
class VELMORA_API SharedHeapClient {
public:
    virtual void OnHeapAttached(bool created, int32_t* rootSlot, SharedHeap* heap) = 0;

protected:
    ~SharedHeapClient() = default;
};
