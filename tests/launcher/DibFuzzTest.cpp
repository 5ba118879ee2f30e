#include "DibBuilder.h"
#include "launcher/Dib.h"
#include "launcher/Splash.h"
#include "platform/Painting.h"
#include "platform/Window.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Seeds of the kinds that are easiest to get wrong: compressed, bit fields,
// and a 4-bit picture whose colour table is missing.
std::vector<std::vector<uint8_t>> Seeds()
{
    std::vector<uint8_t> rle = {4, 1, 0, 0, 0, 4, 1, 2, 3, 4, 0, 2, 1, 1, 2, 9, 0, 0, 0, 1};
    std::vector<uint8_t> masks = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0};
    std::vector<uint8_t> bits32(4 * 4 * 3, 0x5A);
    return {
        MakeDib(8, 4, 8, kDibRle8, 4, GreyTable(4), rle, static_cast<uint32_t>(rle.size())),
        MakeDib(4, 3, 32, kDibBitFields, 0, masks, bits32, 0),
        MakeDib(5, 3, 4, kDibRgb, 0, {}, std::vector<uint8_t>(12, 0x37), 0),
        MakeDib(3, -2, 24, kDibRgb, 0, {}, std::vector<uint8_t>(24, 0x11), 0),
    };
}

// One random change: a byte set, a bit flipped, a header field replaced by an
// extreme value, or the end cut off.
void Mutate(std::vector<uint8_t>& dib, std::mt19937& random)
{
    std::uniform_int_distribution<int> kind(0, 3);
    std::uniform_int_distribution<size_t> at(0, dib.size() - 1);
    switch (kind(random)) {
    case 0:
        dib[at(random)] = static_cast<uint8_t>(random());
        break;
    case 1:
        dib[at(random)] ^= static_cast<uint8_t>(1u << (random() % 8));
        break;
    case 2: {
        static const uint32_t extremes[] = {0,      1,      2,       3,          4,          8,         12,
                                            16,     24,     32,      40,         255,        256,       0x7FFF,
                                            0x8000, 0xFFFF, 0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
        const size_t field = 4 * (random() % 10);
        const uint32_t value = extremes[random() % (sizeof extremes / sizeof extremes[0])];
        std::memcpy(dib.data() + field, &value, 4);
        break;
    }
    default:
        if (dib.size() > 1)
            dib.resize(at(random));
        break;
    }
}

} // namespace

// Tests that at least 10^5 corrupt DIBs open, get a palette and paint without
// any access outside their blocks (the sanitizer build turns one into a failure).
TEST(DibFuzz, CorruptDibsAreHandledSafely)
{
    // Wine makes no window without a display; the rest of the check still runs then.
    platform::WindowHandle canvas = platform::CreateModelessDialog(kSplashDialogId, nullptr, 0);
    platform::DeviceContext dc = canvas != nullptr ? platform::BeginWindowPaint(canvas) : nullptr;
    const std::vector<std::vector<uint8_t>> seeds = Seeds();
    std::mt19937 random(20261208u);
    int opened = 0;
    constexpr int kMutations = 100000;
    for (int i = 0; i < kMutations; ++i) {
        std::vector<uint8_t> dib = seeds[static_cast<size_t>(i) % seeds.size()];
        const int changes = 1 + static_cast<int>(random() % 4);
        for (int c = 0; c < changes && !dib.empty(); ++c)
            Mutate(dib, random);
        uint8_t* sut = DibOpenFromMemory(dib.data(), dib.size());
        if (sut == nullptr)
            continue;
        ++opened;
        platform::DeletePalette(DibCreatePalette(sut));
        // Painting is slow under an emulator; a share of the DIBs is enough,
        // partly off the canvas's left and right edges.
        if (i % 8 == 0 && dc != nullptr)
            DIBPaint(sut, dc, i % 3 == 0 ? -2 : (i % 3 == 1 ? 0 : 480), 0);
        DibFree(sut);
    }
    if (canvas != nullptr) {
        platform::EndWindowPaint(canvas, dc);
        platform::EndModelessDialog(canvas, 0);
    }
    // The mutations must not all be refused, or nothing was exercised.
    EXPECT_GT(opened, kMutations / 10);
}
