#include "platform/Painting.h"

#include <windows.h>

namespace platform {

namespace {

// Painting happens on the main thread, one window at a time.
PAINTSTRUCT currentPaint;

HDC Native(DeviceContext dc)
{
    return reinterpret_cast<HDC>(dc);
}

} // namespace

DeviceContext BeginWindowPaint(WindowHandle window)
{
    return reinterpret_cast<DeviceContext>(BeginPaint(reinterpret_cast<HWND>(window), &currentPaint));
}

void EndWindowPaint(WindowHandle window, DeviceContext)
{
    EndPaint(reinterpret_cast<HWND>(window), &currentPaint);
}

int StretchDibToDevice(DeviceContext dc, int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
                       int sourceHeight, const void* bits, const void* bitmapInfo)
{
    return StretchDIBits(Native(dc), x, y, width, height, sourceX, sourceY, sourceWidth, sourceHeight, bits,
                         static_cast<const BITMAPINFO*>(bitmapInfo), DIB_RGB_COLORS, SRCCOPY);
}

PaletteHandle CreatePaletteFrom(const LogicalPalette* palette)
{
    static_assert(sizeof(PaletteEntry) == sizeof(PALETTEENTRY), "palette entries share the platform's layout");
    return reinterpret_cast<PaletteHandle>(CreatePalette(reinterpret_cast<const LOGPALETTE*>(palette)));
}

void DeletePalette(PaletteHandle palette)
{
    DeleteObject(reinterpret_cast<HGDIOBJ>(palette));
}

int PaletteEntriesOf(PaletteHandle palette, int start, int count, PaletteEntry* entries)
{
    return static_cast<int>(GetPaletteEntries(reinterpret_cast<HPALETTE>(palette), static_cast<UINT>(start),
                                              static_cast<UINT>(count), reinterpret_cast<PALETTEENTRY*>(entries)));
}

int DefaultPaletteEntries(int start, int count, PaletteEntry* entries)
{
    HPALETTE stock = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    return static_cast<int>(GetPaletteEntries(stock, static_cast<UINT>(start), static_cast<UINT>(count),
                                              reinterpret_cast<PALETTEENTRY*>(entries)));
}

PaletteHandle SelectPaletteForeground(DeviceContext dc, PaletteHandle palette)
{
    return reinterpret_cast<PaletteHandle>(SelectPalette(Native(dc), reinterpret_cast<HPALETTE>(palette), FALSE));
}

unsigned RealizeSelectedPalette(DeviceContext dc)
{
    return RealizePalette(Native(dc));
}

int64_t ReadWindowPixel(WindowHandle window, int x, int y)
{
    HWND native = reinterpret_cast<HWND>(window);
    HDC dc = GetDC(native);
    if (dc == nullptr)
        return -1;
    const COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(native, dc);
    if (color == CLR_INVALID)
        return -1;
    return (static_cast<int64_t>(GetRValue(color)) << 16) | (GetGValue(color) << 8) | GetBValue(color);
}

} // namespace platform
