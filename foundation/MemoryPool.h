#pragma once

#include "platform/Export.h"

#include <cstddef>
#include <cstdint>

class Project;

// An arena that DObject allocations are carved from while the pool is the
// current one (see DObject::UseMemoryPool). The host creates the pool and may
// read and change its fields; Velmora's code only carves and counts. The
// field order and sizes are shared with the product's other modules: in the
// 32-bit build they are eight 32-bit words, checked below.
//
// Chunks of chunkSize bytes come from malloc. The first bytes of a chunk link
// it to the next one; blocks are carved after the link, one after another
// with no alignment, and the rest of a chunk that cannot hold the next
// request stays unused. The link takes 4 bytes in a 32-bit process and a
// pointer's 8 bytes in a 64-bit one, so there carving starts at offset 8 and
// the largest request is chunkSize - 8 instead of chunkSize - 4.
//
// Single blocks are never reused: the chunks go back to the heap all at once
// when the last counted block is released. There is no destructor; a pool
// whose blocks are not all released keeps its chunks.
//
// A pool is not locked by itself: DObject's critical section guards every
// call that DObject makes on the current pool.
struct VELMORA_API MemoryPool {
    int32_t useCount;        // counted blocks not yet released
    int32_t totalBytes;      // bytes carved since the chunks were last released
    char* firstChunk;        // null while the pool has no chunk
    char* lastChunk;         // the chunk being carved
    int32_t chunkSize;       // bytes per chunk, link included
    int32_t chunkUsed;       // offset of the next free byte in lastChunk
    int32_t blockAlloc;      // non-zero: requests are carved from the chunks
    int32_t automaticDelete; // non-zero: Release decides by address whether a block is pooled

    static constexpr std::size_t chunkLinkSize = sizeof(char*);

    // An empty pool whose first carved request opens a chunk.
    explicit MemoryPool(int chunkSize);

    // A block of size bytes: from the global operator new while blockAlloc is
    // off, otherwise carved from the chunks. A counted block raises useCount.
    // A request that cannot fit a chunk, or a chunk the heap cannot supply,
    // raises the framework's memory exception and leaves the pool as it was.
    // An empty request takes one byte, so that every block has an address of
    // its own inside its chunk.
    void* Allocate(std::size_t size, bool count)
    {
        // Most requests fit the chunk being carved; that path stays inline so
        // that DObject's operator new costs little more than a bump.
        if (blockAlloc != 0 && lastChunk != nullptr && size != 0 && size <= RoomInLastChunk()) {
            return Carve(size, count);
        }
        return AllocateSlowly(size, count);
    }

    // Gives a block back: a pooled block lowers useCount, and the last one
    // frees every chunk; any other block goes to the global operator delete.
    // With automaticDelete a block is pooled when it lies inside one of the
    // chunks; without it, every block is taken as pooled while blockAlloc is
    // on. Null is ignored.
    void Release(void* block);

    // Meant for hosts that keep one pool per project; it has nothing to do.
    static void UseMemoryPoolOfProject(Project* project);

private:
    uint64_t RoomInLastChunk() const
    {
        const uint32_t capacity = static_cast<uint32_t>(chunkSize);
        const uint32_t used = static_cast<uint32_t>(chunkUsed);
        return used <= capacity ? capacity - used : 0;
    }

    // Takes size bytes, known to fit, from the chunk being carved.
    void* Carve(std::size_t size, bool count)
    {
        const uint32_t used = static_cast<uint32_t>(chunkUsed);
        char* block = lastChunk + used;
        chunkUsed = static_cast<int32_t>(used + static_cast<uint32_t>(size));
        totalBytes = static_cast<int32_t>(static_cast<uint32_t>(totalBytes) + static_cast<uint32_t>(size));
        if (count) {
            ++useCount;
        }
        return block;
    }

    void* AllocateSlowly(std::size_t size, bool count);
    bool IsPooled(const void* block) const;
    void OpenChunk();
    void FreeChunks();
};

#if INTPTR_MAX == INT32_MAX
static_assert(offsetof(MemoryPool, useCount) == 0);
static_assert(offsetof(MemoryPool, totalBytes) == 4);
static_assert(offsetof(MemoryPool, firstChunk) == 8);
static_assert(offsetof(MemoryPool, lastChunk) == 12);
static_assert(offsetof(MemoryPool, chunkSize) == 16);
static_assert(offsetof(MemoryPool, chunkUsed) == 20);
static_assert(offsetof(MemoryPool, blockAlloc) == 24);
static_assert(offsetof(MemoryPool, automaticDelete) == 28);
static_assert(sizeof(MemoryPool) == 32);
static_assert(MemoryPool::chunkLinkSize == 4);
#endif
