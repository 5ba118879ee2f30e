#pragma once

#include "platform/Export.h"
#include "platform/Painting.h"
#include "platform/Resources.h"

#include <cstddef>
#include <cstdint>

// Packed device-independent bitmaps: a BITMAPINFOHEADER, then the colour table
// (or three colour masks for bit fields), then the pixel bits, in one block.
//
// DibOpenFromModule gives a writable copy of a bitmap resource in a global
// memory block, checked against the resource's size so that every later
// reading of it stays inside the block; DibFree releases exactly such copies.

// Opens bitmap `name` (a name, or a number in resource-name form) of `module`
// (null: the executable). Null when it is missing or its header does not fit
// its bytes.
extern "C" VELMORA_API uint8_t* DibOpenFromModule(const char* name, platform::ModuleHandle module);

// Paints the whole DIB at (x, y), one device pixel per DIB pixel; the caller
// selects any palette first. Returns the scan lines drawn, 0 for a null DIB.
extern "C" VELMORA_API int DIBPaint(const uint8_t* dib, platform::DeviceContext dc, int x, int y);

// The checks and preparation of DibOpenFromModule for a DIB of `size` bytes
// at `bytes`, which stay untouched; the result is a new global block.
uint8_t* DibOpenFromMemory(const uint8_t* bytes, size_t size);

void DibFree(uint8_t* dib);
platform::PaletteHandle DibCreatePalette(const uint8_t* dib);
void DibPrepareBits(uint8_t* dib);

// Expands RLE8 bits in place: the first `size` bytes of the expansion replace
// them. End of line moves the output to the next multiple of `rowLength` bytes
// and a delta moves it right and down by rows of `rowLength`. Never reads past
// `size` input bytes nor writes past the 2 x `size` work block; input without
// an end-of-bitmap escape ends as if it had one. False when no work block
// could be had (the bits are left as they are).
bool DibExpandRLE8(uint8_t* bits, uint32_t size, uint32_t rowLength = 4);

// Where the pixel bits begin, and the image size rule for biSizeImage 0.
uint8_t* DibBitsPointer(uint8_t* dib);
const uint8_t* DibBitsPointer(const uint8_t* dib);
uint64_t DibImageSize(int32_t width, int32_t height, uint16_t bitCount);
