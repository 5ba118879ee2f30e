#pragma once

#include "bus/COProcDispatcher.h"

class FileMappingHeap;
class MappedSegment;
class OwnDataBlocks;

// Reading the data block an event names while the event is delivered, on the
// owning dispatcher's thread. A block of this process is read through its own
// view; a peer's through the data heap's kept views. The block's creator
// rewrites it only after every slot that named it has been delivered, so a
// kept view of its number still shows the same block; it writes 0 into the
// size before it lets a block go, which tells a kept view that it is stale. Each delivery counts
// one reference down on the block, through the view at hand; the creator
// frees or reuses the block once the count is below 0.
class DataBlockReader {
public:
    using Header = COProcDispatcher::Header;

    // Maps the block and checks that it is the event's: the right id and a
    // size that matches the event and fits the mapping. Null, with nothing
    // left mapped, otherwise; the cookie is null for a view of our own.
    static Header* Map(FileMappingHeap& heap, const OwnDataBlocks& own, const COEvent& event, MappedSegment** cookie);
    // Counts the delivery and lets go of the view Map gave.
    static void Delivered(FileMappingHeap& heap, Header* header, MappedSegment* cookie);
};
