#pragma once

#include <cstddef>
#include <cstdint>

// The record every event travels in. In the 32-bit build it is exactly the
// 28-byte little-endian record that the cross-process bus copies byte for byte
// (data a 32-bit pointer or value). A 64-bit build keeps every offset and only
// widens data to a pointer; the bus converts such a record to and from the
// 28-byte slot itself.
struct COEvent {
    int32_t senderID;    // 0 for anonymous senders
    int32_t targetID;    // the object the event is being delivered to now
    int32_t addresseeID; // the target as sent or posted; forwarding keeps it
    unsigned short route;
    unsigned short padding; // travels with the record, never interpreted
    unsigned int eventCode;
    int dataSize; // bytes at data, or 0 when data holds a plain value
    void* data;

    // data read and written as the plain value it holds when dataSize is 0.
    long Value() const { return static_cast<long>(reinterpret_cast<intptr_t>(data)); }
    void SetValue(long value) { data = reinterpret_cast<void*>(static_cast<intptr_t>(value)); }
};

static_assert(offsetof(COEvent, senderID) == 0);
static_assert(offsetof(COEvent, targetID) == 4);
static_assert(offsetof(COEvent, addresseeID) == 8);
static_assert(offsetof(COEvent, route) == 12);
static_assert(offsetof(COEvent, padding) == 14);
static_assert(offsetof(COEvent, eventCode) == 16);
static_assert(offsetof(COEvent, dataSize) == 20);
static_assert(offsetof(COEvent, data) == 24);
static_assert(sizeof(void*) != 4 || sizeof(COEvent) == 28, "the 32-bit record is exactly 28 bytes");
static_assert(sizeof(void*) != 8 || sizeof(COEvent) == 32, "the 64-bit record only widens data");

// Route flags.
constexpr unsigned short ROUTE_ALL_RECEIVERS = 0x0001; // offer to every receiver, not only up to the first taker
constexpr unsigned short ROUTE_SAME_MANAGER = 0x0002;  // only receivers sharing the sender's manager
constexpr unsigned short ROUTE_DELAYED = 0x0080;       // posted to the delayed queue

// Event codes the framework itself uses.
constexpr unsigned int EVENT_POS_CHANGED = 0x1001; // data: packed x, y
constexpr unsigned int EVENT_IDLE = 0x1002;        // data: time in milliseconds
constexpr unsigned int EVENT_KILLED = 0xC002;      // value -1

// Two 16-bit values in one 32-bit value, x in the low half. The result is the
// signed 32-bit reading of that pattern, so a 64-bit build carries the same
// number as the 32-bit one.
constexpr long COPackPair(short x, short y)
{
    const uint32_t bits = static_cast<uint16_t>(x) | (static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16);
    return static_cast<long>(static_cast<int32_t>(bits));
}

constexpr short COPairX(long packed)
{
    return static_cast<short>(static_cast<uint16_t>(static_cast<uint32_t>(packed)));
}

constexpr short COPairY(long packed)
{
    return static_cast<short>(static_cast<uint16_t>(static_cast<uint32_t>(packed) >> 16));
}
