#include "platform/GlobalMemory.h"

#include <windows.h>

namespace platform {

void* GlobalAllocLocked(size_t size)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (block == nullptr)
        return nullptr;
    void* pointer = GlobalLock(block);
    if (pointer == nullptr)
        GlobalFree(block);
    return pointer;
}

void GlobalUnlockFree(void* pointer)
{
    if (pointer == nullptr)
        return;
    GlobalUnlock(GlobalHandle(pointer));
    GlobalFree(GlobalHandle(pointer));
}

void* LocalAllocFixed(size_t size)
{
    return LocalAlloc(LMEM_FIXED, size);
}

void LocalFreeBlock(void* pointer)
{
    if (pointer != nullptr)
        LocalFree(pointer);
}

} // namespace platform
