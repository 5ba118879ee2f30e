#pragma once

#include "platform/Export.h"

class MappedSegment;

// Blocks of memory that several processes reach by a number, the block's id.
// A view is this process's address of a block; ids travel between processes,
// views never do.
//
// The slot order of the five operations is part of the exported interface.
// Heaps are destroyed through their implementation, which adds the virtual
// destructor after these slots.
class VELMORA_API SharedHeap {
public:
    // A new block of at least size bytes, zero-filled; null on failure.
    virtual void* Alloc(long size) = 0;
    // Releases one view this process got from Alloc or Map.
    virtual void Free(void* view) = 0;
    // The id of a view of this process; 0 when the view is unknown.
    virtual long GetID(void* view) = 0;
    // A new view of block id, at the block's own size. A block nobody holds any
    // more reads as zeros. The cookie, when asked for, is what Unmap takes.
    virtual void* Map(long id, MappedSegment** cookie = nullptr) = 0;
    virtual void Unmap(MappedSegment* cookie) = 0;

protected:
    ~SharedHeap() = default;
};
