#include "foundation/MemoryPool.h"

#include "afx/AfxMemory.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {
char* NextChunk(const char* chunk)
{
    char* next;
    std::memcpy(&next, chunk, sizeof next);
    return next;
}

void SetNextChunk(char* chunk, char* next)
{
    std::memcpy(chunk, &next, sizeof next);
}

// Sizes and offsets within a chunk are unsigned 32-bit values; they are
// widened before any sum so that no request can wrap around a test.
uint64_t Unsigned(int32_t value)
{
    return static_cast<uint32_t>(value);
}
} // namespace

MemoryPool::MemoryPool(int size)
    : useCount(0), totalBytes(0), firstChunk(nullptr), lastChunk(nullptr), chunkSize(size), chunkUsed(size),
      blockAlloc(0), automaticDelete(0)
{
}

void* MemoryPool::AllocateSlowly(std::size_t size, bool count)
{
    if (blockAlloc == 0) {
        return AfxAllocateMemory(size);
    }
    // Every block must be a distinct address inside its chunk, even for an
    // empty request.
    if (size == 0) {
        size = 1;
    }
    const uint64_t capacity = Unsigned(chunkSize);
    if (capacity < chunkLinkSize || size > capacity - chunkLinkSize) {
        AfxThrowMemoryException();
    }
    if (lastChunk == nullptr || size > RoomInLastChunk()) {
        OpenChunk();
    }
    // Counted only once the block exists: a failed request must not keep the
    // chunks alive for a block nobody can release.
    return Carve(size, count);
}

void MemoryPool::OpenChunk()
{
    char* chunk = static_cast<char*>(std::malloc(static_cast<uint32_t>(chunkSize)));
    if (chunk == nullptr) {
        AfxThrowMemoryException();
    }
    SetNextChunk(chunk, nullptr);
    if (lastChunk != nullptr) {
        SetNextChunk(lastChunk, chunk);
    } else {
        firstChunk = chunk;
    }
    lastChunk = chunk;
    chunkUsed = static_cast<int32_t>(chunkLinkSize);
}

void MemoryPool::Release(void* block)
{
    if (block == nullptr) {
        return;
    }
    if (!IsPooled(block)) {
        AfxFreeMemory(block);
        return;
    }
    if (--useCount == 0) {
        FreeChunks();
    }
}

bool MemoryPool::IsPooled(const void* block) const
{
    if (automaticDelete == 0) {
        return blockAlloc != 0;
    }
    const auto address = reinterpret_cast<uintptr_t>(block);
    for (const char* chunk = firstChunk; chunk != nullptr; chunk = NextChunk(chunk)) {
        const auto offset = static_cast<intptr_t>(address - reinterpret_cast<uintptr_t>(chunk));
        if (offset >= 0 && static_cast<uint64_t>(offset) < Unsigned(chunkSize)) {
            return true;
        }
    }
    return false;
}

void MemoryPool::FreeChunks()
{
    for (char* chunk = firstChunk; chunk != nullptr;) {
        char* next = NextChunk(chunk);
        std::free(chunk);
        chunk = next;
    }
    firstChunk = nullptr;
    lastChunk = nullptr;
    totalBytes = 0;
    chunkUsed = chunkSize;
}

void MemoryPool::UseMemoryPoolOfProject(Project*) {}
