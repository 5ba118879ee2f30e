#include "events/AdditionalDataMap.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {
int32_t* NewBlock(const void* bytes, long length)
{
    auto* block = static_cast<int32_t*>(std::malloc(sizeof(int32_t) + static_cast<size_t>(length)));
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    block[0] = static_cast<int32_t>(length);
    if (length > 0) {
        std::memcpy(block + 1, bytes, static_cast<size_t>(length));
    }
    return block;
}
} // namespace

AdditionalDataMap::~AdditionalDataMap()
{
    for (auto& entry : blocks) {
        std::free(entry.second);
    }
}

void* AdditionalDataMap::Find(std::string_view key, long& length) const
{
    auto found = blocks.find(key);
    if (found == blocks.end()) {
        length = 0;
        return nullptr;
    }
    length = found->second[0];
    return found->second + 1;
}

void AdditionalDataMap::Replace(std::string_view key, const void* bytes, long length)
{
    int32_t* block = NewBlock(bytes, length);
    auto found = blocks.find(key);
    if (found != blocks.end()) {
        std::free(found->second);
        found->second = block;
    } else {
        blocks.emplace(std::string(key), block);
    }
}

bool AdditionalDataMap::Remove(std::string_view key)
{
    auto found = blocks.find(key);
    if (found == blocks.end()) {
        return false;
    }
    std::free(found->second);
    blocks.erase(found);
    return true;
}
