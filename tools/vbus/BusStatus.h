#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What `vbus status` shows of a bus: its queue table and, per attached
// queue, the owner (process id, name where the system tells, whether it still
// runs), the backlog, the chained blocks, the events that carry data, and a
// held lock with its holder and how long it stayed held while we watched.
// Read like any peer reads the bus, without taking a lock; a snapshot.
struct LockState {
    bool held = false;
    uint32_t holder = 0; // process id; 0 when the holder recorded nothing
    bool holderRuns = false;
    uint32_t heldMs = 0; // held this long at least, under watch
};

struct QueueState {
    int32_t queueId = 0;
    uint32_t owner = 0; // 0: recorded by nobody
    std::string ownerName;
    bool ownerRuns = false;
    bool vanished = false;
    int backlog = 0;
    int blocks = 0;
    int dataEvents = 0;
    LockState lock;
};

struct BusState {
    bool exists = false;
    int32_t tableId = 0;
    LockState tableLock;
    std::vector<QueueState> queues;
};

// Reads the bus, watching held locks for about watchMs.
BusState ReadBusState(const std::string& bus, uint32_t watchMs);
std::string FormatBusState(const std::string& bus, const BusState& state, bool json);
