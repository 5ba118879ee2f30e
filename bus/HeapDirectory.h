#pragma once

#include <cstddef>
#include <cstdint>

// The shared counter of a heap: the mapping named exactly like the heap.
struct HeapDirectory {
    int32_t nextSegment; // number the next Alloc takes; 0 in a fresh directory
    int32_t initMarker;  // -1 once a process has found the directory fresh; never read
};

static_assert(sizeof(HeapDirectory) == 8);
static_assert(offsetof(HeapDirectory, initMarker) == 4);
