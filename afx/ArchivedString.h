#pragma once

#include "afx/AfxMemory.h"
#include "afx/CArchive.h"
#include "afx/CArchiveException.h"
#include "platform/Export.h"

#include <climits>
#include <cstdint>

// The length prefix and character reading shared by the framework's string
// types in archives.
//
// Prefix: one byte below 0xFF; else 0xFF and a 16-bit length below 0xFFFE;
// else 0xFF, 0xFFFF and a 32-bit length. After 0xFF, the 16-bit value 0xFFFE
// marks 16-bit text whose length follows again in the same form.
namespace afx {

struct ArchivedStringLength {
    uint32_t length;
    bool wide;
};

VELMORA_API void WriteStringLength(CArchive& archive, uint32_t length);
VELMORA_API ArchivedStringLength ReadStringLength(CArchive& archive);

// The length prefix followed by the `length` characters of `text`.
VELMORA_API void WriteArchivedString(CArchive& archive, const char* text, int length);

// Converts `units` 16-bit little-endian units to the narrow code page into
// `out` (capacity `outSize`); returns the narrow length, or with a null `out`
// the length needed.
VELMORA_API int NarrowFromWideBytes(const char* bytes, int units, char* out, int outSize);

// Reads `byteCount` bytes into `text` (a string with GetBufferSetLength and
// Empty). A length prefix is untrusted: memory is reserved in steps that grow
// only as the archive actually delivers bytes, so a forged huge length ends in
// CArchiveException(endOfFile) without a huge allocation. The final capacity
// is exactly the length. On a short read `text` is left empty.
template <class String> void ReadCharsInSteps(CArchive& archive, String& text, uint64_t byteCount)
{
    constexpr uint64_t firstStep = 64 * 1024;
    uint64_t have = 0;
    text.Empty();
    while (have < byteCount) {
        uint64_t target = have + (have > firstStep ? have : firstStep);
        if (target > byteCount) {
            target = byteCount;
        }
        if (target > INT_MAX - 64) {
            text.Empty();
            AfxThrowMemoryException();
        }
        char* chars = text.GetBufferSetLength(static_cast<int>(target));
        const auto wanted = static_cast<unsigned>(target - have);
        if (archive.Read(chars + have, wanted) != wanted) {
            text.Empty();
            throw CArchiveException(CArchiveException::endOfFile);
        }
        have = target;
    }
}

// Reads one archived string, narrow or 16-bit, into `text`; on any failure
// `text` is left empty.
template <class String> void ReadArchivedString(CArchive& archive, String& text)
{
    text.Empty();
    const ArchivedStringLength prefix = ReadStringLength(archive);
    if (!prefix.wide) {
        ReadCharsInSteps(archive, text, prefix.length);
        return;
    }
    String units;
    ReadCharsInSteps(archive, units, uint64_t{prefix.length} * 2);
    const int units16 = static_cast<int>(prefix.length);
    const int narrowLength = NarrowFromWideBytes(units, units16, nullptr, 0);
    char* chars = text.GetBufferSetLength(narrowLength);
    NarrowFromWideBytes(units, units16, chars, narrowLength);
}

} // namespace afx
