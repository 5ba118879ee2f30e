#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

// An object's named data blocks. Each block is one heap allocation: a 32-bit
// length followed by that many bytes; callers get the address of the bytes.
// Keys are copied and compared exactly. The map owns its blocks. Not locked:
// the object's accessors hold objectDataLock around every use.
class AdditionalDataMap {
public:
    AdditionalDataMap() = default;
    ~AdditionalDataMap();
    AdditionalDataMap(const AdditionalDataMap&) = delete;
    AdditionalDataMap& operator=(const AdditionalDataMap&) = delete;

    // The bytes stored under the key, or null; length set to their count or 0.
    void* Find(std::string_view key, long& length) const;
    // Replaces the entry with a new block of the given length.
    void Replace(std::string_view key, const void* bytes, long length);
    bool Remove(std::string_view key);

private:
    std::map<std::string, int32_t*, std::less<>> blocks;
};
