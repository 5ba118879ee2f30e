#include "platform/posix/DibPixels.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

template <typename T> T Read(const uint8_t* at)
{
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// One colour channel from a bit-field mask, scaled to 8 bits.
uint32_t Channel(uint32_t pixel, uint32_t mask)
{
    if (mask == 0)
        return 0;
    int shift = 0;
    while (((mask >> shift) & 1u) == 0)
        ++shift;
    const uint32_t maximum = mask >> shift;
    return ((pixel & mask) >> shift) * 255u / maximum;
}

struct DibFormat {
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t colourCount = 0;
    const uint8_t* colours = nullptr;
    uint32_t masks[3] = {0, 0, 0};
    size_t rowBytes = 0;
};

bool ReadFormat(const uint8_t* info, DibFormat* format)
{
    const uint32_t headerSize = Read<uint32_t>(info);
    format->width = Read<int32_t>(info + 4);
    format->height = Read<int32_t>(info + 8);
    format->bitCount = Read<uint16_t>(info + 14);
    format->compression = Read<uint32_t>(info + 16);
    const uint32_t used = Read<uint32_t>(info + 32);
    if (headerSize < 40 || format->width <= 0 || format->height == 0 || format->width > 0x8000 ||
        std::abs(format->height) > 0x8000)
        return false;
    format->rowBytes = ((static_cast<size_t>(format->width) * format->bitCount + 31) / 32) * 4;
    switch (format->bitCount) {
    case 1:
    case 4:
    case 8:
        if (format->compression != 0)
            return false;
        format->colourCount = used != 0 ? used : (1u << format->bitCount);
        format->colours = info + headerSize;
        return true;
    case 16:
    case 32:
        if (format->compression == 3) {
            for (int i = 0; i < 3; ++i)
                format->masks[i] = Read<uint32_t>(info + 40 + 4 * i);
        } else if (format->compression == 0 && format->bitCount == 16) {
            format->masks[0] = 0x7C00, format->masks[1] = 0x03E0, format->masks[2] = 0x001F;
        } else if (format->compression == 0) {
            format->masks[0] = 0xFF0000, format->masks[1] = 0xFF00, format->masks[2] = 0xFF;
        } else {
            return false;
        }
        return true;
    case 24:
        return format->compression == 0;
    default:
        return false;
    }
}

const uint8_t* StoredLine(const DibFormat& format, const uint8_t* bits, int row)
{
    // Bottom-up pictures store their last row first.
    const int storedRow = format.height > 0 ? format.height - 1 - row : row;
    return bits + static_cast<size_t>(storedRow) * format.rowBytes;
}

uint32_t PixelAt(const DibFormat& format, const uint8_t* bits, int column, int row)
{
    const uint8_t* line = StoredLine(format, bits, row);
    uint32_t index = 0;
    switch (format.bitCount) {
    case 1:
        index = (line[column / 8] >> (7 - column % 8)) & 1u;
        break;
    case 4:
        index = (line[column / 2] >> (column % 2 == 0 ? 4 : 0)) & 0xFu;
        break;
    case 8:
        index = line[column];
        break;
    case 16: {
        const uint32_t pixel = Read<uint16_t>(line + column * 2);
        return Channel(pixel, format.masks[0]) << 16 | Channel(pixel, format.masks[1]) << 8 |
               Channel(pixel, format.masks[2]);
    }
    case 24: {
        const uint8_t* p = line + column * 3;
        return static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
    }
    default: {
        const uint32_t pixel = Read<uint32_t>(line + column * 4);
        return Channel(pixel, format.masks[0]) << 16 | Channel(pixel, format.masks[1]) << 8 |
               Channel(pixel, format.masks[2]);
    }
    }
    if (index >= format.colourCount)
        return 0;
    const uint8_t* entry = format.colours + 4 * index;
    return static_cast<uint32_t>(entry[2]) << 16 | static_cast<uint32_t>(entry[1]) << 8 | entry[0];
}

// Columns 0 .. count - 1 of one target row from one picture row, one pixel
// each (no stretching): clipped once for the row, 24-bit pictures converted
// without a per-pixel format switch.
void CopyRow(const DibFormat& format, const uint8_t* bits, int sourceRow, uint32_t* targetRow, int targetX,
             int targetWidth, int sourceX, int count)
{
    const int first = std::max({0, -targetX, -sourceX});
    const int last = std::min({count, targetWidth - targetX, format.width - sourceX});
    if (format.bitCount == 24) {
        const uint8_t* p = StoredLine(format, bits, sourceRow) + static_cast<size_t>(sourceX + first) * 3;
        uint32_t* out = targetRow + targetX + first;
        int column = first;
        // Four pixels (blue, green, red each) from three little-endian words.
        for (; column + 4 <= last; column += 4, p += 12, out += 4) {
            const uint32_t w0 = Read<uint32_t>(p), w1 = Read<uint32_t>(p + 4), w2 = Read<uint32_t>(p + 8);
            out[0] = w0 & 0xFFFFFFu;
            out[1] = w0 >> 24 | (w1 & 0xFFFFu) << 8;
            out[2] = w1 >> 16 | (w2 & 0xFFu) << 16;
            out[3] = w2 >> 8;
        }
        for (; column < last; ++column, p += 3)
            *out++ = static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
        return;
    }
    for (int column = first; column < last; ++column)
        targetRow[targetX + column] = PixelAt(format, bits, sourceX + column, sourceRow);
}

} // namespace

int DrawDibPixels(uint32_t* target, int targetWidth, int targetHeight, int x, int y, int width, int height, int sourceX,
                  int sourceY, int sourceWidth, int sourceHeight, const uint8_t* bits, const uint8_t* info)
{
    DibFormat format;
    if (target == nullptr || bits == nullptr || info == nullptr || !ReadFormat(info, &format))
        return 0;
    const int pictureHeight = std::abs(format.height);
    if (width <= 0 || sourceWidth <= 0)
        return 0;
    // A negative height asks for the picture upside down, as StretchDIBits mirrors it.
    const bool mirrored = (height < 0) != (sourceHeight < 0);
    height = std::abs(height);
    sourceHeight = std::abs(sourceHeight);
    if (height == 0 || sourceHeight == 0)
        return 0;
    const bool unscaled = width == sourceWidth && height == sourceHeight;
    for (int row = 0; row < height; ++row) {
        const int targetRow = y + row;
        if (targetRow < 0 || targetRow >= targetHeight)
            continue;
        const int scaledRow = static_cast<int>(static_cast<int64_t>(row) * sourceHeight / height);
        const int sourceRow = sourceY + (mirrored ? sourceHeight - 1 - scaledRow : scaledRow);
        if (sourceRow < 0 || sourceRow >= pictureHeight)
            continue;
        if (unscaled) {
            CopyRow(format, bits, sourceRow, target + static_cast<size_t>(targetRow) * static_cast<size_t>(targetWidth),
                    x, targetWidth, sourceX, width);
            continue;
        }
        for (int column = 0; column < width; ++column) {
            const int targetColumn = x + column;
            if (targetColumn < 0 || targetColumn >= targetWidth)
                continue;
            const int sourceColumn = sourceX + static_cast<int>(static_cast<int64_t>(column) * sourceWidth / width);
            if (sourceColumn < 0 || sourceColumn >= format.width)
                continue;
            target[static_cast<size_t>(targetRow) * static_cast<size_t>(targetWidth) + targetColumn] =
                PixelAt(format, bits, sourceColumn, sourceRow);
        }
    }
    return sourceHeight < pictureHeight ? sourceHeight : pictureHeight;
}

} // namespace platform
