#include "afx/CStringData.h"

#include "afx/AfxMemory.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <climits>
#include <cstring>
#include <new>

namespace afx {

EmptyStringBuffer emptyStringBuffer = {{-2, 0, 0}, '\0'};

CStringData* EmptyStringData() noexcept
{
    return &emptyStringBuffer.header;
}

CStringData* AllocateStringData(int64_t length)
{
    if (length <= 0 || length > INT_MAX - static_cast<int64_t>(sizeof(CStringData)) - 1) {
        AfxThrowMemoryException();
    }
    void* block = AfxAllocateMemory(sizeof(CStringData) + static_cast<std::size_t>(length) + 1);
    auto* data = new (block) CStringData{1, static_cast<int32_t>(length), static_cast<int32_t>(length)};
    data->data()[length] = '\0';
    return data;
}

} // namespace afx

namespace afx {

CStringData* ReserveStringData(CStringData* data, int minLength)
{
    if (StringRefs(data) <= 1 && minLength <= data->allocLength) {
        return data;
    }
    const int length = data->dataLength;
    const int capacity = std::max(minLength, length);
    if (capacity == 0) {
        ReleaseStringData(data);
        return EmptyStringData();
    }
    CStringData* grown = AllocateStringData(capacity);
    std::memcpy(grown->data(), data->data(), static_cast<std::size_t>(length) + 1);
    grown->dataLength = length;
    ReleaseStringData(data);
    return grown;
}

void SetStringLength(CStringData* data, int newLength) noexcept
{
    if (StringRefs(data) == -2) {
        return;
    }
    if (newLength == -1) {
        newLength = static_cast<int>(std::strlen(data->data()));
    }
    data->dataLength = newLength;
    data->data()[newLength] = '\0';
}

int CompareTextNoCase(const char* left, const char* right) noexcept
{
    for (;; ++left, ++right) {
        const int difference =
            std::tolower(static_cast<unsigned char>(*left)) - std::tolower(static_cast<unsigned char>(*right));
        if (difference != 0 || *left == '\0') {
            return difference;
        }
    }
}

} // namespace afx
