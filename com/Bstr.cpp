#include "com/Bstr.h"

#include <cstdlib>
#include <limits>

namespace {

// The block starts with the byte length; the BSTR points just past it.
uint32_t* BlockOf(BSTR text)
{
    return reinterpret_cast<uint32_t*>(text) - 1;
}

BSTR AllocateBytes(const void* bytes, UINT byteLength)
{
    constexpr size_t header = sizeof(uint32_t);
    if (byteLength > std::numeric_limits<uint32_t>::max() - header - 2 * sizeof(OLECHAR)) {
        return nullptr;
    }
    // Room for a whole terminating character even after an odd byte length.
    const size_t total = header + byteLength + 2 * sizeof(OLECHAR);
    auto* block = static_cast<uint32_t*>(std::malloc(total));
    if (block == nullptr) {
        return nullptr;
    }
    block[0] = byteLength;
    auto* data = reinterpret_cast<char*>(block + 1);
    if (bytes != nullptr) {
        std::memcpy(data, bytes, byteLength);
    } else {
        std::memset(data, 0, byteLength);
    }
    std::memset(data + byteLength, 0, 2 * sizeof(OLECHAR));
    return reinterpret_cast<BSTR>(data);
}

} // namespace

BSTR SysAllocString(const OLECHAR* text)
{
    if (text == nullptr) {
        return nullptr;
    }
    UINT length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return SysAllocStringLen(text, length);
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length)
{
    if (length > std::numeric_limits<uint32_t>::max() / sizeof(OLECHAR)) {
        return nullptr;
    }
    return AllocateBytes(text, length * static_cast<UINT>(sizeof(OLECHAR)));
}

BSTR SysAllocStringByteLen(const char* bytes, UINT byteLength)
{
    return AllocateBytes(bytes, byteLength);
}

UINT SysStringLen(BSTR text)
{
    return text == nullptr ? 0 : *BlockOf(text) / sizeof(OLECHAR);
}

UINT SysStringByteLen(BSTR text)
{
    return text == nullptr ? 0 : *BlockOf(text);
}

void SysFreeString(BSTR text)
{
    if (text != nullptr) {
        std::free(BlockOf(text));
    }
}

int SysReAllocStringLen(BSTR* text, const OLECHAR* source, UINT length)
{
    if (text == nullptr) {
        return 0;
    }
    BSTR copy = SysAllocStringLen(source, length);
    if (copy == nullptr) {
        return 0;
    }
    SysFreeString(*text);
    *text = copy;
    return 1;
}
