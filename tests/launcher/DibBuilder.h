#pragma once

#include "launcher/DibHeader.h"

#include <cstdint>
#include <vector>

// Packed DIBs for tests: a 40-byte header, an optional table, then the bits.
inline std::vector<uint8_t> MakeDib(int32_t width, int32_t height, uint16_t bitCount, uint32_t compression,
                                    uint32_t clrUsed, const std::vector<uint8_t>& table,
                                    const std::vector<uint8_t>& bits, uint32_t sizeImage)
{
    DibHeader header{};
    header.size = 40;
    header.width = width;
    header.height = height;
    header.planes = 1;
    header.bitCount = bitCount;
    header.compression = compression;
    header.sizeImage = sizeImage;
    header.clrUsed = clrUsed;
    std::vector<uint8_t> dib(40);
    header.Store(dib.data());
    dib.insert(dib.end(), table.begin(), table.end());
    dib.insert(dib.end(), bits.begin(), bits.end());
    return dib;
}

// A grey-scale colour table of `count` entries (blue, green, red, 0).
inline std::vector<uint8_t> GreyTable(int count)
{
    std::vector<uint8_t> table;
    for (int i = 0; i < count; ++i) {
        const auto level = static_cast<uint8_t>(i * 255 / (count > 1 ? count - 1 : 1));
        table.insert(table.end(), {level, level, level, 0});
    }
    return table;
}
