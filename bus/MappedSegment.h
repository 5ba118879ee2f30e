#pragma once

#include "platform/SharedSegment.h"

#include <cstddef>
#include <cstdint>

// This process's record of one view of a numbered heap segment. The heap owns
// its records; a record is one view and one handle, so mapping a segment twice
// gives two records.
class MappedSegment {
public:
    // Opens or creates the segment of that name; a failed open leaves the
    // view null.
    MappedSegment(const char* name, int32_t number, uint32_t size);
    ~MappedSegment() = default;
    MappedSegment(const MappedSegment&) = delete;
    MappedSegment& operator=(const MappedSegment&) = delete;

    void Close() { segment.Close(); }

    void* View() const { return segment.View(); }
    int32_t Number() const { return number; }
    // Bytes of the view that may be used; what a peer wrote into the block's
    // header is checked against it.
    size_t Size() const { return segment.Size(); }
    bool WasCreated() const { return segment.WasCreated(); }
    bool IsSoleHolder() const { return segment.IsSoleHolder(); }

private:
    platform::SharedSegment segment;
    int32_t number;
};
