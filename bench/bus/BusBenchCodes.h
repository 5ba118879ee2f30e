#pragma once

#include "bus/HeapCounters.h"

#include <cstdint>

// The events the benchmarks and their peers exchange, on the bus and, as the
// same 28-byte records, over the socket baseline.
namespace busbench {

constexpr unsigned int plainEvent = 0x5100; // no data
constexpr unsigned int dataEvent = 0x5101;  // dataBytes or largeDataBytes of data
constexpr unsigned int batchEnd = 0x5102;   // value: events in the batch; every peer answers batchAcked
constexpr unsigned int batchAcked = 0x5103;
constexpr unsigned int caseBegins = 0x5105;  // value: a BenchCase; the peers book their costs to it from now on
constexpr unsigned int reportCosts = 0x5106; // value: a peer's index; that peer answers costReport
constexpr unsigned int costReport = 0x5107;  // data: the peer's costs per case, as text
constexpr unsigned int ping = 0x5001;        // the peer answers pong
constexpr unsigned int pong = 0x5002;
constexpr unsigned int hello = 0x5004; // the peer is attached
constexpr unsigned int stop = 0x5fff;
constexpr int dataBytes = 64;
constexpr int largeDataBytes = 4096;
constexpr int fanOutPeers = 3;
// A sender that drains its own queue now and then, as a busy program would.
constexpr int drainInterval = 256;

enum class BenchCase { NoData, Data64, Data64DrainEachPut, Data64DrainEvery256, Data4KiB, FanOut, Ping, Count };

inline const char* CaseName(BenchCase which)
{
    switch (which) {
    case BenchCase::NoData:
        return "one-way, no data";
    case BenchCase::Data64:
        return "one-way, 64 bytes";
    case BenchCase::Data64DrainEachPut:
        return "64 bytes, drain each put";
    case BenchCase::Data64DrainEvery256:
        return "64 bytes, drain every 256";
    case BenchCase::Data4KiB:
        return "4 KiB, drain every 256";
    case BenchCase::FanOut:
        return "fan-out to 3, 64 bytes";
    case BenchCase::Ping:
        return "ping round trip";
    default:
        return "?";
    }
}

// The record as it travels over the socket: the event's 28 bytes.
struct WireRecord {
    int32_t senderID;
    int32_t targetID;
    int32_t addresseeID;
    uint16_t route;
    uint16_t padding;
    uint32_t eventCode;
    int32_t dataSize;
    int32_t data;
};
static_assert(sizeof(WireRecord) == 28);

// The peer's side of the bus: serves until it is told to stop, answering
// batch ends and pings, and reports its heap costs per case when asked.
int RunBusPeer(const char* bus, int index);
// The peer's side of the socket baselines (Linux), on an inherited
// descriptor: reading each message with a read for its record and one for its
// data, or as a socket program would, reading whatever is there in 64 KiB
// reads and taking the messages out of the buffer.
int RunSocketPeer(int handle);
int RunLargeReadSocketPeer(int handle);

} // namespace busbench
