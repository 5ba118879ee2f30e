#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

class OwnDataBlocks;

// Bounds the data blocks one dispatcher keeps outstanding (put, not yet
// delivered by every queue): each costs a live segment, and on Linux a
// descriptor. A put beyond the bound first drains the dispatcher's own queue
// and retires what was delivered, then waits for the peers in 10 ms steps for
// up to two seconds; when there is still no room the event is not put, the
// put says so and it is counted. Never a silent loss, never an unbounded
// wait of the sender. Only the dispatcher's own thread calls it.
class DataBackPressure {
public:
    static constexpr size_t defaultLimit = 4096;

    explicit DataBackPressure(OwnDataBlocks& blocks) : blocks(blocks) {}

    // True when a data block may be added now. drainOwnQueue delivers the
    // own queue and returns false when that destroyed the dispatcher; then
    // `destroyed` is set and nothing of this object may be used any more.
    bool MakeRoom(const std::function<bool()>& drainOwnQueue, bool* destroyed)
    {
        return WaitUntilBelow(outstandingLimit, drainOwnQueue, destroyed);
    }
    // The same when the system would give no further block (out of
    // descriptors or memory): true once at least one block was delivered.
    bool MakeRoomAfterRefusal(const std::function<bool()>& drainOwnQueue, bool* destroyed);

    void SetLimit(size_t limit) { outstandingLimit = limit > 0 ? limit : 1; }
    size_t Limit() const { return outstandingLimit; }
    // An event this dispatcher was given but could not put.
    void CountNotPut() { ++notPut; }
    uint32_t NotPut() const { return notPut; }

private:
    bool WaitUntilBelow(size_t bound, const std::function<bool()>& drainOwnQueue, bool* destroyed);

    OwnDataBlocks& blocks;
    size_t outstandingLimit = defaultLimit;
    uint32_t notPut = 0;
    bool makingRoom = false;
};
