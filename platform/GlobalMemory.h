#pragma once

#include <cstddef>

namespace platform {

// A moveable global memory block, allocated and locked at once
// (GlobalAlloc with GMEM_MOVEABLE, then GlobalLock); null on failure.
void* GlobalAllocLocked(size_t size);

// Unlocks and frees a block from GlobalAllocLocked, found from its locked
// pointer (GlobalHandle, GlobalUnlock, GlobalHandle, GlobalFree). Null is ignored.
void GlobalUnlockFree(void* pointer);

// A fixed local memory block (LocalAlloc with LMEM_FIXED) and its release.
void* LocalAllocFixed(size_t size);
void LocalFreeBlock(void* pointer);

} // namespace platform
