#include "platform/GlobalMemory.h"

#include <cstdlib>

namespace platform {

void* GlobalAllocLocked(size_t size)
{
    return std::malloc(size == 0 ? 1 : size);
}

void GlobalUnlockFree(void* pointer)
{
    std::free(pointer);
}

void* LocalAllocFixed(size_t size)
{
    return std::malloc(size == 0 ? 1 : size);
}

void LocalFreeBlock(void* pointer)
{
    std::free(pointer);
}

} // namespace platform
