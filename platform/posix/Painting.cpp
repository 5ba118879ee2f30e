#include "platform/Painting.h"

#include "platform/posix/DibPixels.h"
#include "platform/posix/OwnWindow.h"
#include "platform/posix/X11Backend.h"

#include <cstddef>
#include <vector>

namespace platform {

struct DeviceContextTag {
    OwnWindow* window = nullptr;
    PaletteHandle selected = nullptr;
};

struct PaletteTag {
    std::vector<PaletteEntry> entries;
};

namespace {

// One paint at a time on the main thread, as Win32's BeginPaint is used here.
DeviceContextTag paintContext;

// The stock default palette: the platform's twenty static colours.
constexpr PaletteEntry kDefaultPalette[20] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},   {0, 0, 128, 0},
    {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0}, {192, 220, 192, 0}, {166, 202, 240, 0},
    {255, 251, 240, 0}, {160, 160, 164, 0}, {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},
    {255, 255, 0, 0},   {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
};

} // namespace

DeviceContext BeginWindowPaint(WindowHandle window)
{
    OwnWindow* own = FindOwnWindow(window);
    if (own == nullptr)
        return nullptr;
    paintContext = DeviceContextTag{own, nullptr};
    return &paintContext;
}

void EndWindowPaint(WindowHandle, DeviceContext dc)
{
    if (dc == nullptr || dc->window == nullptr)
        return;
    OwnWindow& window = *dc->window;
    x11::PutPixels(window.xWindow, window.ClientPixels(), window.width, window.height);
    dc->window = nullptr;
}

int StretchDibToDevice(DeviceContext dc, int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
                       int sourceHeight, const void* bits, const void* bitmapInfo)
{
    if (dc == nullptr || dc->window == nullptr)
        return 0;
    OwnWindow& window = *dc->window;
    return DrawDibPixels(window.ClientPixels(), window.width, window.height, x, y, width, height, sourceX, sourceY,
                         sourceWidth, sourceHeight, static_cast<const uint8_t*>(bits),
                         static_cast<const uint8_t*>(bitmapInfo));
}

PaletteHandle CreatePaletteFrom(const LogicalPalette* palette)
{
    if (palette == nullptr || palette->version != 0x300)
        return nullptr;
    auto* created = new PaletteTag;
    created->entries.assign(palette->entries, palette->entries + palette->entryCount);
    return created;
}

void DeletePalette(PaletteHandle palette)
{
    delete palette;
}

int PaletteEntriesOf(PaletteHandle palette, int start, int count, PaletteEntry* entries)
{
    if (palette == nullptr)
        return 0;
    const int size = static_cast<int>(palette->entries.size());
    if (entries == nullptr)
        return size;
    int copied = 0;
    for (int i = start; i >= 0 && i < size && copied < count; ++i)
        entries[copied++] = palette->entries[static_cast<size_t>(i)];
    return copied;
}

int DefaultPaletteEntries(int start, int count, PaletteEntry* entries)
{
    int copied = 0;
    for (int i = start; i < 20 && copied < count; ++i)
        entries[copied++] = kDefaultPalette[i];
    return copied;
}

PaletteHandle SelectPaletteForeground(DeviceContext dc, PaletteHandle palette)
{
    if (dc == nullptr)
        return nullptr;
    PaletteHandle previous = dc->selected;
    dc->selected = palette;
    return previous;
}

unsigned RealizeSelectedPalette(DeviceContext dc)
{
    // True-colour displays need no palette: nothing is mapped.
    (void)dc;
    return 0;
}

int64_t ReadWindowPixel(WindowHandle handle, int x, int y)
{
    const OwnWindow* window = FindOwnWindow(handle);
    if (window == nullptr || x < 0 || y < 0 || x >= window->width || y >= window->height)
        return -1;
    if (window->pixels.empty())
        return 0;
    return window->pixels[static_cast<size_t>(y) * static_cast<size_t>(window->width) + x];
}

} // namespace platform
