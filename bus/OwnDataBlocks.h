#pragma once

#include "bus/COProcDispatcher.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

class FileMappingHeap;

// The data blocks one dispatcher created in the process's data heap, one per
// event with data it put. A block's reference count starts at -1 and every
// queue slot that names the block holds it once; once the count is below 0
// again every queue has delivered it. Only the dispatcher's own thread calls
// this class.
//
// The bytes are written under the block's spin lock before any slot names
// the block, and a block is written again only after its count said it was
// delivered everywhere: delivered blocks become spares for the next puts, and
// spares that no put wanted for a while go back to the heap. Peers read a
// block through views of their own, which they keep: a block's size is set to
// 0 before it goes back to the heap, so that they see it is stale. This
// process reads and counts its own blocks through the views kept here.
// Blocks of a page or more are made in whole pages, so that a spare serves
// events of near sizes too.
class OwnDataBlocks {
public:
    using Header = COProcDispatcher::Header;

    explicit OwnDataBlocks(FileMappingHeap& heap) : heap(heap) {}
    ~OwnDataBlocks() { FreeAll(); }
    OwnDataBlocks(const OwnDataBlocks&) = delete;
    OwnDataBlocks& operator=(const OwnDataBlocks&) = delete;

    // Copies the event's bytes into a block of this process and makes the
    // event name it; the block counts as the one being put until EndPut.
    // False when the event cannot travel or no block could be had.
    bool BeginPut(COEvent* event);
    void EndPut() { putting = {nullptr, 0, 0}; }
    // Adds a slot's reference to the block the event names.
    long AddReference(const COEvent& event);
    // Changes the count of the block an event names through a view of its own.
    static long ChangeReference(FileMappingHeap* heap, const COEvent& event, int delta);

    // This process's view of its block id when it is one of them and holds
    // exactly `expected` bytes; `isOwn` tells whether it is one of them.
    Header* OwnView(int32_t id, int32_t expected, bool* isOwn) const;
    bool HasUndelivered() const { return !blocks.empty(); }
    size_t Outstanding() const { return blocks.size(); }

    // Blocks every queue has delivered become spares, or go back to the heap:
    // the oldest ones, up to the first that is still undelivered (queues
    // deliver in the order of putting, so that is where the delivered ones
    // are), or with everywhere each block.
    void RetireDelivered(bool everywhere = false);
    // Gives every block back to the heap, delivered or not.
    void FreeAll();
    // Every 50 ms, the spares that no put wanted since the last trim go back
    // to the heap, all but a few, oldest first.
    void TrimSpares(uint32_t now);

private:
    // A block this process created, with the bytes its mapping holds.
    struct Block {
        Header* header;
        int32_t id;
        int32_t room;
    };
    Block NewBlock(int32_t size);
    bool Retire(int32_t id);
    // Tells a peer's kept view that the block is stale, then frees it.
    void Free(const Block& block);

    FileMappingHeap& heap;
    std::unordered_map<int32_t, Block> blocks;
    // Their ids in the order of putting; an id may have been retired since.
    std::deque<int32_t> putOrder;
    // Delivered blocks kept for reuse, oldest first: no queue slot refers to
    // them any more. The fewest there were since the last trim tells how many
    // nobody wanted.
    std::vector<Block> spares;
    size_t sparesLowWater = 0;
    uint32_t lastTrim = 0;
    // The block of the event being put, whose count changes through our view.
    Block putting{nullptr, 0, 0};
};
