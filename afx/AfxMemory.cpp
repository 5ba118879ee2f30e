#include "afx/AfxMemory.h"

#include "afx/CMemoryException.h"

#include <new>

void* AfxAllocateMemory(std::size_t bytes)
{
    void* block = ::operator new(bytes, std::nothrow);
    if (block == nullptr) {
        AfxThrowMemoryException();
    }
    return block;
}

void AfxFreeMemory(void* block) noexcept
{
    ::operator delete(block);
}

void AfxThrowMemoryException()
{
    throw CMemoryException();
}
