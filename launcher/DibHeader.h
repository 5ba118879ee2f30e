#pragma once

#include <cstdint>
#include <cstring>

// The BITMAPINFOHEADER fields of a packed DIB, read and written by value so
// that a DIB at any address can be handled.
struct DibHeader {
    uint32_t size;
    int32_t width;
    int32_t height;
    uint16_t planes;
    uint16_t bitCount;
    uint32_t compression;
    uint32_t sizeImage;
    int32_t xPelsPerMeter;
    int32_t yPelsPerMeter;
    uint32_t clrUsed;
    uint32_t clrImportant;

    static DibHeader Load(const uint8_t* dib)
    {
        DibHeader header;
        std::memcpy(&header, dib, sizeof header);
        return header;
    }
    void Store(uint8_t* dib) const { std::memcpy(dib, this, sizeof *this); }
};
static_assert(sizeof(DibHeader) == 40, "the info header is 40 bytes");

constexpr uint32_t kDibRgb = 0;
constexpr uint32_t kDibRle8 = 1;
constexpr uint32_t kDibRle4 = 2;
constexpr uint32_t kDibBitFields = 3;
