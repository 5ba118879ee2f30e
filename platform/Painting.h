#pragma once

#include "platform/Window.h"

#include <cstdint>

namespace platform {

struct DeviceContextTag;
using DeviceContext = DeviceContextTag*;
struct PaletteTag;
using PaletteHandle = PaletteTag*;

// The platform's PALETTEENTRY and LOGPALETTE layouts.
struct PaletteEntry {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
    uint8_t flags;
};
struct LogicalPalette {
    uint16_t version;
    uint16_t entryCount;
    PaletteEntry entries[1];
};

// Painting of a window's client area between BeginPaint and EndPaint. One
// paint at a time per thread.
DeviceContext BeginWindowPaint(WindowHandle window);
void EndWindowPaint(WindowHandle window, DeviceContext dc);

// StretchDIBits with DIB_RGB_COLORS and SRCCOPY: draws the source rectangle of
// a packed DIB (header at bitmapInfo, pixels at bits) into the destination
// rectangle. Returns the number of scan lines drawn, 0 on failure.
int StretchDibToDevice(DeviceContext dc, int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
                       int sourceHeight, const void* bits, const void* bitmapInfo);

PaletteHandle CreatePaletteFrom(const LogicalPalette* palette);
void DeletePalette(PaletteHandle palette);
// GetPaletteEntries of a palette: with null entries, the palette's size.
int PaletteEntriesOf(PaletteHandle palette, int start, int count, PaletteEntry* entries);
// GetPaletteEntries of the stock DEFAULT_PALETTE; returns the entries supplied.
int DefaultPaletteEntries(int start, int count, PaletteEntry* entries);
// SelectPalette as foreground palette, then RealizePalette.
PaletteHandle SelectPaletteForeground(DeviceContext dc, PaletteHandle palette);
unsigned RealizeSelectedPalette(DeviceContext dc);

// Reads back one pixel of a window's client area as 0x00RRGGBB; -1 when the
// platform cannot tell. Tests use it to check what a paint left behind.
int64_t ReadWindowPixel(WindowHandle window, int x, int y);

} // namespace platform
