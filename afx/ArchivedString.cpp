#include "afx/ArchivedString.h"

#include "platform/CodePage.h"

#include <cstring>
#include <new>
#include <vector>

namespace afx {

namespace {
constexpr uint8_t escapeByte = 0xFF;
constexpr uint16_t escape32 = 0xFFFF;
constexpr uint16_t wideMarker = 0xFFFE;

uint32_t ReadLengthAfterEscape(CArchive& archive, bool& wide, bool allowWideMarker)
{
    uint16_t length16;
    archive >> length16;
    if (length16 == wideMarker && allowWideMarker) {
        wide = true;
        uint8_t length8;
        archive >> length8;
        if (length8 != escapeByte) {
            return length8;
        }
        return ReadLengthAfterEscape(archive, wide, false);
    }
    if (length16 != escape32) {
        return length16;
    }
    uint32_t length32;
    archive >> length32;
    return length32;
}
} // namespace

void WriteStringLength(CArchive& archive, uint32_t length)
{
    if (length < escapeByte) {
        archive << static_cast<uint8_t>(length);
    } else if (length < wideMarker) {
        archive << escapeByte << static_cast<uint16_t>(length);
    } else {
        archive << escapeByte << escape32 << length;
    }
}

void WriteArchivedString(CArchive& archive, const char* text, int length)
{
    WriteStringLength(archive, static_cast<uint32_t>(length));
    archive.Write(text, static_cast<unsigned>(length));
}

ArchivedStringLength ReadStringLength(CArchive& archive)
{
    uint8_t length8;
    archive >> length8;
    if (length8 != escapeByte) {
        return {length8, false};
    }
    bool wide = false;
    const uint32_t length = ReadLengthAfterEscape(archive, wide, true);
    return {length, wide};
}

int NarrowFromWideBytes(const char* bytes, int units, char* out, int outSize)
{
    std::vector<uint16_t> wide;
    try {
        wide.resize(static_cast<std::size_t>(units));
    } catch (const std::bad_alloc&) {
        AfxThrowMemoryException();
    }
    for (int i = 0; i < units; ++i) {
        const auto low = static_cast<unsigned char>(bytes[2 * i]);
        const auto high = static_cast<unsigned char>(bytes[2 * i + 1]);
        wide[static_cast<std::size_t>(i)] = static_cast<uint16_t>(low | high << 8);
    }
    return static_cast<int>(platform::WideToNarrow(wide.data(), wide.size(), out, static_cast<std::size_t>(outSize)));
}

} // namespace afx
