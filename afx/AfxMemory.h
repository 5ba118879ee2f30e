#pragma once

#include "platform/Export.h"

#include <cstddef>

// Allocation for Velmora's own buffers. A failed allocation raises
// CMemoryException (never std::bad_alloc), so every caller up the stack sees
// the framework's one out-of-memory exception. Blocks come from operator new
// and go back with AfxFreeMemory.
VELMORA_API void* AfxAllocateMemory(std::size_t bytes);
VELMORA_API void AfxFreeMemory(void* block) noexcept;
[[noreturn]] VELMORA_API void AfxThrowMemoryException();
