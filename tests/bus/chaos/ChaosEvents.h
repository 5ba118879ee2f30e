#pragma once

#include <cstdint>
#include <string>

// What the chaos run's peers put on the bus: each peer numbers its events
// from 1; odd numbers carry data whose bytes follow from the number, even
// ones carry the number as their value. A peer's last event names how many
// it put before it was asked to stop.
namespace chaos {

constexpr unsigned int numberedBase = 0x100000; // + the sender's peer number
constexpr unsigned int finalBase = 0x200000;    // + the sender's peer number, value: last number put

inline bool CarriesData(long number)
{
    return number % 2 == 1;
}

inline std::string Payload(long number)
{
    std::string bytes = "N:" + std::to_string(number) + ":";
    const size_t length = 8 + static_cast<size_t>(number % 50);
    for (size_t i = 0; i < length; ++i) {
        bytes += static_cast<char>((number * 31 + static_cast<long>(i)) & 0xff);
    }
    return bytes;
}

// The number a payload carries when its bytes are intact; 0 otherwise.
inline long NumberOf(const char* data, int size)
{
    const std::string bytes(data, static_cast<size_t>(size));
    if (bytes.compare(0, 2, "N:") != 0) {
        return 0;
    }
    const long number = std::strtol(bytes.c_str() + 2, nullptr, 10);
    return number > 0 && Payload(number) == bytes ? number : 0;
}

} // namespace chaos
