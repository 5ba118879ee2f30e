#pragma once

#include "platform/Export.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// A view of a named shared-memory segment that every process of the same user
// reaches by the same name.
//
// Open creates the segment zero-filled at the requested size when nobody else
// holds it, and otherwise maps the live segment at its own size (a live segment
// smaller than asked for is not grown). The segment lives until the last view
// in any process is closed. Each object is one view with its own handle, so two
// objects opened on one name in one process are two independent holders.
//
// The caller serialises opens and closes of one family of segments (the heap's
// named mutex does that); the object itself is not thread-safe.
class VELMORA_API SharedSegment {
public:
    SharedSegment() = default;
    ~SharedSegment();
    SharedSegment(const SharedSegment&) = delete;
    SharedSegment& operator=(const SharedSegment&) = delete;

    // Opens or creates the segment. False when it cannot be opened or mapped;
    // the object then holds nothing.
    bool Open(const char* name, uint32_t size);
    void Close();

    void* View() const { return view; }
    // Bytes that may be read and written through View(); 0 when not open.
    size_t Size() const { return size; }
    // True when this Open made the segment (it was fresh and is zero-filled).
    bool WasCreated() const { return created; }
    // True when no other view, in this or any process, holds the segment now.
    // Call it under the same mutex as opens and closes: the probe briefly
    // changes the view's own hold. Always false where it cannot be told.
    bool IsSoleHolder() const;
    // Whether IsSoleHolder can tell at all on this system.
    static bool CanTellHolders();

private:
    void* view = nullptr;
    size_t size = 0;
    intptr_t handle = -1;
    bool created = false;
    std::string unlinkName;
};

} // namespace platform
