#pragma once

#include "bus/HeapCounters.h"

#include <cstdint>

// The events the benchmark and its peer exchange, on the bus and, as the
// same 28-byte records, over the socket baseline.
namespace busbench {

constexpr unsigned int plainEvent = 0x5100; // no data
constexpr unsigned int dataEvent = 0x5101;  // dataBytes of data
constexpr unsigned int batchEnd = 0x5102;   // value: events in the batch; the peer answers batchAcked
constexpr unsigned int batchAcked = 0x5103;
constexpr unsigned int ping = 0x5001; // the peer answers pong
constexpr unsigned int pong = 0x5002;
constexpr unsigned int hello = 0x5004; // the peer is attached
constexpr unsigned int stop = 0x5fff;
constexpr int dataBytes = 64;

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

// The peer's side of the bus: serves until it is told to stop, then writes
// per-event heap costs of each kind of batch to standard output.
int RunBusPeer(const char* bus);
// The peer's side of the socket baselines, on an inherited descriptor:
// reading each message with a read for its record and one for its data, or
// as a socket program would, reading whatever is there in 64 KiB reads and
// taking the messages out of the buffer.
int RunSocketPeer(int handle);
int RunLargeReadSocketPeer(int handle);

} // namespace busbench
