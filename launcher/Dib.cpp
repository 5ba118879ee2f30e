#include "launcher/Dib.h"

#include "launcher/DibHeader.h"
#include "platform/GlobalMemory.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>

namespace {

// Compressed pictures are expanded into memory of their full size; a header
// asking for more than this is taken as corrupt rather than obeyed.
constexpr uint64_t kLargestExpandedPicture = 64ull << 20;

uint32_t DefaultColourCount(const DibHeader& header)
{
    return header.bitCount <= 8 ? (1u << header.bitCount) : 0u;
}

uint64_t TableBytes(const DibHeader& header, uint32_t colourCount)
{
    return header.compression == kDibBitFields ? 12u : 4ull * colourCount;
}

bool IsKnownFormat(const DibHeader& header)
{
    switch (header.bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return false;
    }
    switch (header.compression) {
    case kDibRgb:
        return true;
    case kDibRle8:
        return header.bitCount == 8 && header.height > 0;
    case kDibRle4:
        return header.bitCount == 4 && header.height > 0;
    case kDibBitFields:
        return header.bitCount == 16 || header.bitCount == 32;
    default:
        return false;
    }
}

// The bytes that the bits need once the DIB is prepared: for RLE8, room for
// the expanded picture as well as for the compressed input.
bool BitsCapacity(const DibHeader& header, uint64_t available, uint64_t* capacity)
{
    const uint64_t pictureSize = DibImageSize(header.width, header.height, header.bitCount);
    const uint64_t declared = header.sizeImage != 0 ? header.sizeImage : pictureSize;
    if (header.compression == kDibRle8 || header.compression == kDibRle4) {
        if (declared > available)
            return false;
        *capacity = std::max(available, header.compression == kDibRle8 ? pictureSize : declared);
        return *capacity <= kLargestExpandedPicture;
    }
    if (pictureSize > available || declared > available)
        return false;
    *capacity = available;
    return true;
}

} // namespace

uint64_t DibImageSize(int32_t width, int32_t height, uint16_t bitCount)
{
    const uint64_t rowBytes = ((static_cast<uint64_t>(std::llabs(width)) * bitCount + 31) / 32) * 4;
    return rowBytes * static_cast<uint64_t>(std::llabs(height));
}

uint8_t* DibBitsPointer(uint8_t* dib)
{
    const DibHeader header = DibHeader::Load(dib);
    return dib + header.size + (header.compression == kDibBitFields ? 12u : 4ull * header.clrUsed);
}

const uint8_t* DibBitsPointer(const uint8_t* dib)
{
    return DibBitsPointer(const_cast<uint8_t*>(dib));
}

extern "C" uint8_t* DibOpenFromModule(const char* name, platform::ModuleHandle module)
{
    size_t resourceSize = 0;
    const auto* resource = static_cast<const uint8_t*>(
        platform::LockModuleResource(module, name, platform::kResourceTypeBitmap, &resourceSize));
    return DibOpenFromMemory(resource, resourceSize);
}

uint8_t* DibOpenFromMemory(const uint8_t* resource, size_t resourceSize)
{
    if (resource == nullptr || resourceSize < sizeof(DibHeader))
        return nullptr;

    // The resource is read-only and may lie about itself: check the header
    // against the bytes there are, then work on a writable copy.
    DibHeader header = DibHeader::Load(resource);
    if (header.size < sizeof(DibHeader) || header.size > resourceSize || header.width <= 0 || header.height == 0 ||
        header.width > 0x8000 || header.height > 0x8000 || header.height < -0x8000 || !IsKnownFormat(header))
        return nullptr;
    const uint32_t colourCount = header.clrUsed != 0 ? header.clrUsed : DefaultColourCount(header);
    const uint64_t bitsOffset = header.size + TableBytes(header, colourCount);
    // The palette reads biClrUsed entries from the header's end even where
    // masks stand in place of the colour table.
    const uint64_t paletteEnd = header.size + 4ull * colourCount;
    if (bitsOffset > resourceSize || paletteEnd > resourceSize)
        return nullptr;
    uint64_t capacity = 0;
    if (!BitsCapacity(header, resourceSize - bitsOffset, &capacity))
        return nullptr;
    auto* dib = static_cast<uint8_t*>(platform::GlobalAllocLocked(static_cast<size_t>(bitsOffset + capacity)));
    if (dib == nullptr)
        return nullptr;
    std::memcpy(dib, resource, resourceSize);
    std::memset(dib + resourceSize, 0, static_cast<size_t>(bitsOffset + capacity - resourceSize));

    if (header.sizeImage == 0)
        header.sizeImage = static_cast<uint32_t>(DibImageSize(header.width, header.height, header.bitCount));
    if (header.clrUsed == 0)
        header.clrUsed = DefaultColourCount(header);
    header.Store(dib);
    DibPrepareBits(dib);
    return dib;
}

void DibPrepareBits(uint8_t* dib)
{
    DibHeader header = DibHeader::Load(dib);
    if (header.compression != kDibRle8)
        return;
    const uint64_t pictureSize = DibImageSize(header.width, header.height, header.bitCount);
    const uint64_t declared = header.sizeImage != 0 ? header.sizeImage : pictureSize;
    // The whole picture is expanded, not only as many bytes as the compressed
    // input had: the bits area holds both (see DibOpenFromModule).
    const auto size = static_cast<uint32_t>(std::max(declared, pictureSize));
    const auto rowLength = static_cast<uint32_t>(DibImageSize(header.width, 1, header.bitCount));
    if (!DibExpandRLE8(DibBitsPointer(dib), size, rowLength))
        return;
    header.compression = kDibRgb;
    header.sizeImage = static_cast<uint32_t>(pictureSize);
    header.Store(dib);
}

void DibFree(uint8_t* dib)
{
    platform::GlobalUnlockFree(dib);
}

platform::PaletteHandle DibCreatePalette(const uint8_t* dib)
{
    if (dib == nullptr)
        return nullptr;
    const DibHeader header = DibHeader::Load(dib);
    const uint32_t entryCount = header.clrUsed != 0 ? (header.clrUsed & 0xFFFFu) : 256u;
    const size_t bytes = offsetof(platform::LogicalPalette, entries) + sizeof(platform::PaletteEntry) * entryCount;
    auto* palette = static_cast<platform::LogicalPalette*>(platform::LocalAllocFixed(bytes));
    if (palette == nullptr)
        return nullptr;
    // Entries the stock palette does not supply stay black.
    std::memset(palette, 0, bytes);
    palette->version = 0x300;
    palette->entryCount = static_cast<uint16_t>(entryCount);
    if (header.clrUsed != 0) {
        const uint8_t* table = dib + header.size;
        for (uint32_t i = 0; i < entryCount; ++i)
            palette->entries[i] = platform::PaletteEntry{table[4 * i + 2], table[4 * i + 1], table[4 * i], 0};
    } else {
        platform::DefaultPaletteEntries(0, 256, palette->entries);
    }
    platform::PaletteHandle created = platform::CreatePaletteFrom(palette);
    platform::LocalFreeBlock(palette);
    return created;
}

extern "C" int DIBPaint(const uint8_t* dib, platform::DeviceContext dc, int x, int y)
{
    if (dib == nullptr)
        return 0;
    const DibHeader header = DibHeader::Load(dib);
    return platform::StretchDibToDevice(dc, x, y, header.width, header.height, 0, 0, header.width, header.height,
                                        DibBitsPointer(dib), dib);
}
