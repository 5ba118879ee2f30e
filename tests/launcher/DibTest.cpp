#include "launcher/Dib.h"
#include "DibBuilder.h"
#include "launcher/Splash.h"
#include "platform/Painting.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

struct DibDeleter {
    void operator()(uint8_t* dib) const { DibFree(dib); }
};
using OpenDib = std::unique_ptr<uint8_t, DibDeleter>;

struct PaletteDeleter {
    void operator()(platform::PaletteTag* palette) const { platform::DeletePalette(palette); }
};
using Palette = std::unique_ptr<platform::PaletteTag, PaletteDeleter>;

OpenDib Open(const std::vector<uint8_t>& bytes)
{
    return OpenDib(DibOpenFromMemory(bytes.data(), bytes.size()));
}

int PaletteSize(const Palette& palette)
{
    return platform::PaletteEntriesOf(palette.get(), 0, 0, nullptr);
}

} // namespace

// Tests that the launcher's own bitmap opens as the 480 x 350 24-bit picture,
// with no colour table and a 256-entry palette from the stock palette.
TEST(Dib, SplashBitmapOpensWithoutColourTableAndGetsFullPalette)
{
    OpenDib sut(DibOpenFromModule(platform::ResourceId(kSplashBitmapId), nullptr));
    ASSERT_NE(sut, nullptr);
    const DibHeader header = DibHeader::Load(sut.get());
    EXPECT_EQ(header.width, 480);
    EXPECT_EQ(header.height, 350);
    EXPECT_EQ(header.bitCount, 24);
    EXPECT_EQ(header.compression, kDibRgb);
    EXPECT_EQ(header.sizeImage, 504002u);
    EXPECT_EQ(header.clrUsed, 0u);
    EXPECT_EQ(DibBitsPointer(sut.get()), sut.get() + 40);

    Palette palette(DibCreatePalette(sut.get()));
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(PaletteSize(palette), 256);
    platform::PaletteEntry entries[256];
    ASSERT_EQ(platform::PaletteEntriesOf(palette.get(), 0, 256, entries), 256);
    EXPECT_EQ(entries[19].red, 255); // the stock palette's last static colour is white
    EXPECT_EQ(entries[19].blue, 255);
    EXPECT_EQ(entries[200].red + entries[200].green + entries[200].blue, 0);
}

// Tests that a missing bitmap gives null and that painting null draws nothing.
TEST(Dib, MissingBitmapAndNullPaintGiveNothing)
{
    EXPECT_EQ(DibOpenFromModule(platform::ResourceId(4711), nullptr), nullptr);
    EXPECT_EQ(DIBPaint(nullptr, nullptr, 0, 0), 0);
    DibFree(nullptr);
}

// Tests the header completion on opening: the image size rule when biSizeImage
// is 0, and the default colour count of a 4-bit DIB, whose palette then has 16 entries.
TEST(Dib, OpeningCompletesSizeAndColourCount)
{
    const std::vector<uint8_t> wide = MakeDib(480, 350, 24, kDibRgb, 0, {}, std::vector<uint8_t>(1440 * 350), 0);
    OpenDib opened = Open(wide);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(DibHeader::Load(opened.get()).sizeImage, 1440u * 350u);

    const std::vector<uint8_t> fourBit = MakeDib(3, 2, 4, kDibRgb, 0, GreyTable(16), std::vector<uint8_t>(8), 0);
    opened = Open(fourBit);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(DibHeader::Load(opened.get()).clrUsed, 16u);
    EXPECT_EQ(DibBitsPointer(opened.get()), opened.get() + 40 + 64);
    Palette palette(DibCreatePalette(opened.get()));
    EXPECT_EQ(PaletteSize(palette), 16);
    platform::PaletteEntry last{};
    platform::PaletteEntriesOf(palette.get(), 15, 1, &last);
    EXPECT_EQ(last.red, 255);
}

// Tests that a bit-field DIB keeps its compression and has its bits after the three masks.
TEST(Dib, BitFieldsKeepCompressionAndBitsFollowMasks)
{
    const std::vector<uint8_t> masks = {0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    OpenDib sut = Open(MakeDib(2, 2, 16, kDibBitFields, 0, masks, std::vector<uint8_t>(8, 0xFF), 0));
    ASSERT_NE(sut, nullptr);
    EXPECT_EQ(DibHeader::Load(sut.get()).compression, kDibBitFields);
    EXPECT_EQ(DibBitsPointer(sut.get()), sut.get() + 52);
}

// Tests that an RLE8 DIB is expanded on opening, rows and delta placed as the
// published format places them, and reported uncompressed afterwards.
TEST(Dib, Rle8IsExpandedOnOpening)
{
    // 6 x 3 pixels, rows of 8 bytes: a run, an absolute run with padding, a
    // delta of 2 right and 1 down, then end of bitmap.
    const std::vector<uint8_t> rle = {3, 7, 0, 0,              // row 0: 7 7 7, end of line
                                      0, 3, 1, 2, 3, 0,        // row 1: 1 2 3 (padded)
                                      0, 2, 2, 1, 1, 9, 0, 1}; // delta to row 2 column 5, 9, end
    OpenDib sut = Open(MakeDib(6, 3, 8, kDibRle8, 0, GreyTable(256), rle, static_cast<uint32_t>(rle.size())));
    ASSERT_NE(sut, nullptr);
    const DibHeader header = DibHeader::Load(sut.get());
    EXPECT_EQ(header.compression, kDibRgb);
    EXPECT_EQ(header.sizeImage, 24u);
    const uint8_t* bits = DibBitsPointer(sut.get());
    const std::vector<uint8_t> expected = {7, 7, 7, 0, 0, 0, 0, 0, 1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(bits, bits + 24), expected);
}

// Tests that expansion stops at its work block and at its input, whatever the bytes.
TEST(Dib, Rle8ExpansionStaysInsideItsBlocks)
{
    // A run far longer than the block, then an absolute run past the input.
    std::vector<uint8_t> bits = {255, 5, 255, 6, 0, 200, 1, 2};
    ASSERT_TRUE(DibExpandRLE8(bits.data(), static_cast<uint32_t>(bits.size())));
    EXPECT_EQ(bits, std::vector<uint8_t>(8, 5));

    std::vector<uint8_t> absolute = {0, 9, 1, 2, 3};
    ASSERT_TRUE(DibExpandRLE8(absolute.data(), static_cast<uint32_t>(absolute.size())));
    EXPECT_EQ(absolute, (std::vector<uint8_t>{1, 2, 3, 0, 0}));

    // Without an end escape the expansion ends with the input; end of line
    // goes to the next multiple of four by default.
    std::vector<uint8_t> unterminated = {1, 4, 0, 0, 2, 5, 0};
    ASSERT_TRUE(DibExpandRLE8(unterminated.data(), static_cast<uint32_t>(unterminated.size())));
    EXPECT_EQ(unterminated, (std::vector<uint8_t>{4, 0, 0, 0, 5, 5, 0}));
}

// Tests that headers which do not fit their bytes are refused instead of read past.
TEST(Dib, InconsistentHeadersAreRefused)
{
    const std::vector<uint8_t> rows(16);
    EXPECT_EQ(Open(MakeDib(4, 4, 8, kDibRgb, 300, GreyTable(4), rows, 0)), nullptr); // table beyond the end
    EXPECT_EQ(Open(MakeDib(4, 4, 4, kDibRgb, 0, {}, rows, 0)), nullptr);             // 16 colours assumed, none there
    EXPECT_EQ(Open(MakeDib(64, 64, 24, kDibRgb, 0, {}, rows, 0)), nullptr);          // bits too short
    EXPECT_EQ(Open(MakeDib(4, 4, 24, 7, 0, {}, rows, 0)), nullptr);                  // unknown compression
    EXPECT_EQ(Open(MakeDib(4, 4, 8, kDibRle8, 0, GreyTable(256), rows, 1000)), nullptr);        // input past the bytes
    EXPECT_EQ(Open(MakeDib(0x8000, 0x8000, 8, kDibRle8, 1, {0, 0, 0, 0}, {0, 1}, 2)), nullptr); // 1 GiB picture
    const std::vector<uint8_t> masks(12, 0xFF);
    EXPECT_EQ(Open(MakeDib(2, 2, 16, kDibBitFields, 100, masks, rows, 0)), nullptr); // palette past the end
    std::vector<uint8_t> shortHeader = MakeDib(1, 1, 24, kDibRgb, 0, {}, {1, 2, 3, 0}, 0);
    shortHeader[0] = 12;
    EXPECT_EQ(Open(shortHeader), nullptr);
    EXPECT_EQ(DibOpenFromMemory(shortHeader.data(), 39), nullptr);
}
