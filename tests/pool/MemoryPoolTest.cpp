#include "foundation/MemoryPool.h"

#include "afx/CMemoryException.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {
constexpr int32_t linkSize = static_cast<int32_t>(MemoryPool::chunkLinkSize);

char* NextChunk(const char* chunk)
{
    char* next;
    std::memcpy(&next, chunk, sizeof next);
    return next;
}

// Releases every counted block a test carved, so that the chunks go back.
void ReleaseAll(MemoryPool& sut, const std::vector<void*>& blocks)
{
    for (void* block : blocks) {
        sut.Release(block);
    }
}
} // namespace

// Tests that blocks follow each other without alignment after the chunk linkSize,
// and that the request that no longer fits opens a second, linked chunk.
TEST(MemoryPool, BlocksAreCarvedBackToBackAndOverflowOpensLinkedChunk)
{
    MemoryPool sut(1024);
    sut.blockAlloc = 1;
    std::vector<void*> blocks;
    for (int i = 0; i < 10; ++i) {
        blocks.push_back(sut.Allocate(100, true));
        EXPECT_EQ(static_cast<char*>(blocks.back()), sut.firstChunk + linkSize + 100 * i);
    }
    char* first = sut.firstChunk;
    EXPECT_EQ(sut.lastChunk, first);
    EXPECT_EQ(NextChunk(first), nullptr);

    blocks.push_back(sut.Allocate(100, true));
    EXPECT_NE(sut.lastChunk, first);
    EXPECT_EQ(sut.firstChunk, first);
    EXPECT_EQ(NextChunk(first), sut.lastChunk);
    EXPECT_EQ(NextChunk(sut.lastChunk), nullptr);
    EXPECT_EQ(static_cast<char*>(blocks.back()), sut.lastChunk + linkSize);
    EXPECT_EQ(sut.chunkUsed, linkSize + 100);
    EXPECT_EQ(sut.useCount, 11);
    EXPECT_EQ(sut.totalBytes, 1100);

    // Odd sizes stay unaligned.
    char* odd = static_cast<char*>(sut.Allocate(3, true));
    blocks.push_back(odd);
    EXPECT_EQ(static_cast<char*>(sut.Allocate(5, true)), odd + 3);
    blocks.push_back(odd + 3);
    ReleaseAll(sut, blocks);
}

// Tests the size limit: the chunk minus its linkSize fits, one byte more throws,
// and a failed request leaves nothing counted that would pin the chunks.
TEST(MemoryPool, RequestBeyondChunkCapacityThrowsAndLeavesPoolUnchanged)
{
    MemoryPool sut(1024);
    sut.blockAlloc = 1;
    EXPECT_THROW(sut.Allocate(1024 - linkSize + 1, true), CMemoryException);
    EXPECT_EQ(sut.useCount, 0);
    EXPECT_EQ(sut.firstChunk, nullptr);
    EXPECT_THROW(sut.Allocate(SIZE_MAX, true), CMemoryException);
    EXPECT_THROW(sut.Allocate(SIZE_MAX - linkSize + 1, true), CMemoryException);
    EXPECT_EQ(sut.useCount, 0);

    void* whole = sut.Allocate(1024 - linkSize, true);
    EXPECT_EQ(static_cast<char*>(whole), sut.firstChunk + linkSize);
    EXPECT_EQ(sut.chunkUsed, 1024);
    sut.Release(whole);
    EXPECT_EQ(sut.firstChunk, nullptr);
}

// Tests that a chunk size too small for its own linkSize refuses every request
// instead of writing the linkSize past the chunk.
TEST(MemoryPool, ChunkSmallerThanLinkRefusesEveryRequest)
{
    MemoryPool sut(linkSize - 1);
    sut.blockAlloc = 1;
    EXPECT_THROW(sut.Allocate(1, true), CMemoryException);
    EXPECT_THROW(sut.Allocate(0, true), CMemoryException);
    EXPECT_EQ(sut.useCount, 0);
}

// Tests that the last counted release frees every chunk and resets the pool,
// and that the next request starts again at the front of a fresh chunk.
TEST(MemoryPool, LastReleaseFreesAllChunksAndNextRequestStartsFresh)
{
    MemoryPool sut(256);
    sut.blockAlloc = 1;
    std::vector<void*> blocks;
    for (int i = 0; i < 9; ++i) {
        blocks.push_back(sut.Allocate(100, true));
    }
    for (std::size_t i = 0; i + 1 < blocks.size(); ++i) {
        sut.Release(blocks[i]);
        ASSERT_NE(sut.firstChunk, nullptr) << "chunks freed while a block was still in use";
    }
    sut.Release(blocks.back());
    EXPECT_EQ(sut.useCount, 0);
    EXPECT_EQ(sut.firstChunk, nullptr);
    EXPECT_EQ(sut.lastChunk, nullptr);
    EXPECT_EQ(sut.totalBytes, 0);
    EXPECT_EQ(sut.chunkUsed, 256);

    void* again = sut.Allocate(100, true);
    EXPECT_EQ(static_cast<char*>(again), sut.firstChunk + linkSize);
    EXPECT_EQ(sut.totalBytes, 100);
    sut.Release(again);
}

// Tests that uncounted blocks leave the use count alone, so counted releases
// alone decide when the chunks go back.
TEST(MemoryPool, UncountedBlocksDoNotHoldTheChunks)
{
    MemoryPool sut(512);
    sut.blockAlloc = 1;
    void* uncounted = sut.Allocate(50, false);
    EXPECT_EQ(sut.useCount, 0);
    EXPECT_EQ(sut.totalBytes, 50);
    void* counted = sut.Allocate(50, true);
    EXPECT_EQ(static_cast<char*>(counted), static_cast<char*>(uncounted) + 50);
    sut.Release(counted);
    EXPECT_EQ(sut.firstChunk, nullptr);
}

// Tests that with block allocation off requests and releases are the global
// heap's, whatever the pool holds.
TEST(MemoryPool, BlockAllocationOffUsesGlobalHeap)
{
    MemoryPool sut(1024);
    void* block = sut.Allocate(100, true);
    EXPECT_EQ(sut.useCount, 0);
    EXPECT_EQ(sut.firstChunk, nullptr);
    std::memset(block, 0xAB, 100);
    sut.Release(block); // AddressSanitizer checks this is a heap block freed once
    EXPECT_EQ(sut.useCount, 0);
}

// Tests that automatic deletion tells pooled blocks from heap blocks by
// address, across several chunks, while block allocation is on or off.
TEST(MemoryPool, AutomaticDeleteSortsBlocksByAddress)
{
    MemoryPool sut(256);
    void* heapBlock = sut.Allocate(100, true); // blockAlloc still off
    sut.blockAlloc = 1;
    sut.automaticDelete = 1;
    std::vector<void*> pooled;
    for (int i = 0; i < 5; ++i) {
        pooled.push_back(sut.Allocate(100, true)); // three chunks
    }
    ASSERT_EQ(sut.useCount, 5);

    sut.Release(heapBlock);
    EXPECT_EQ(sut.useCount, 5);

    sut.blockAlloc = 0; // the address alone decides
    sut.Release(pooled[0]);
    sut.Release(pooled[4]);
    EXPECT_EQ(sut.useCount, 3);
    sut.Release(pooled[1]);
    sut.Release(pooled[2]);
    sut.Release(pooled[3]);
    EXPECT_EQ(sut.firstChunk, nullptr);
}

// Tests that null is no block: releasing it changes no count.
TEST(MemoryPool, ReleasingNullChangesNothing)
{
    MemoryPool sut(256);
    sut.blockAlloc = 1;
    void* block = sut.Allocate(10, true);
    sut.Release(nullptr);
    EXPECT_EQ(sut.useCount, 1);
    EXPECT_NE(sut.firstChunk, nullptr);
    sut.Release(block);
}

// Tests that an empty request still gets an address of its own inside a chunk.
TEST(MemoryPool, EmptyRequestsGetDistinctAddressesInsideAChunk)
{
    MemoryPool sut(64);
    sut.blockAlloc = 1;
    sut.automaticDelete = 1;
    std::vector<void*> blocks;
    for (int i = 0; i < 100; ++i) {
        blocks.push_back(sut.Allocate(0, true));
        if (i > 0) {
            EXPECT_NE(blocks[i], blocks[i - 1]);
        }
    }
    EXPECT_EQ(sut.useCount, 100);
    ReleaseAll(sut, blocks); // every one must be recognised as pooled
    EXPECT_EQ(sut.firstChunk, nullptr);
}
