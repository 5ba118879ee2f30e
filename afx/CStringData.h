#pragma once

#include "afx/AfxMemory.h"
#include "platform/Export.h"

#include <atomic>
#include <cstdint>

// The header in front of the characters of a framework string (CString, and
// Velmora's OvString, which shares this layout so that either reads the
// other's length). Three signed 32-bit fields, then allocLength + 1 bytes of
// storage whose byte at dataLength is always zero.
//   refs >= 1  number of strings sharing the buffer
//   refs == -1 locked: owned by one string, never shared
//   refs == -2 a static empty buffer: never counted, changed or freed
struct CStringData {
    int32_t refs;
    int32_t dataLength;
    int32_t allocLength;

    char* data() { return reinterpret_cast<char*>(this + 1); }
};

static_assert(sizeof(CStringData) == 12, "the string header is three 32-bit fields");

namespace afx {

// A new buffer of exactly `length` characters (refs 1, terminator stored).
// `length` must be above 0; a length the process cannot address raises
// CMemoryException like a failed allocation.
VELMORA_API CStringData* AllocateStringData(int64_t length);

// The count as another thread sharing the buffer may be changing it.
inline int32_t StringRefs(const CStringData* data) noexcept
{
    return std::atomic_ref<int32_t>(const_cast<int32_t&>(data->refs)).load(std::memory_order_relaxed);
}

// Interlocked count changes, inline because every copy makes them; the static
// empty buffer is never passed here.
inline void AddStringRef(CStringData* data) noexcept
{
    std::atomic_ref<int32_t>(data->refs).fetch_add(1, std::memory_order_relaxed);
}

// Drops one reference and frees the block when none is left (a locked buffer,
// refs -1, is always freed). The static empty buffer (refs -2) is left alone.
inline void ReleaseStringData(CStringData* data) noexcept
{
    // acq_rel: the last owner must see every write made through other owners
    // before it frees the block.
    if (StringRefs(data) != -2 && std::atomic_ref<int32_t>(data->refs).fetch_sub(1, std::memory_order_acq_rel) <= 1) {
        AfxFreeMemory(data);
    }
}

// The one static empty buffer (refs -2) of every empty framework string.
// Constant-initialised, so it is valid before any static constructor runs.
struct EmptyStringBuffer {
    CStringData header;
    char terminator;
};
extern VELMORA_API EmptyStringBuffer emptyStringBuffer;

VELMORA_API CStringData* EmptyStringData() noexcept;

// Whether data is the static empty buffer, told by its address so that the
// test reads nothing of the buffer itself.
inline bool IsEmptyStringData(const CStringData* data) noexcept
{
    return data == &emptyStringBuffer.header;
}

// The buffer a string writes into when it needs room for `minLength`
// characters: `data` itself when it is unshared and large enough, otherwise a
// new buffer of max(minLength, length) with the text copied, `data` released.
VELMORA_API CStringData* ReserveStringData(CStringData* data, int minLength);

// Sets the length (-1: up to the first zero byte) and stores the terminator;
// the static empty buffer is left alone.
VELMORA_API void SetStringLength(CStringData* data, int newLength) noexcept;

// Case-blind comparison of two texts by unsigned bytes: negative, 0, positive.
VELMORA_API int CompareTextNoCase(const char* left, const char* right) noexcept;

} // namespace afx
