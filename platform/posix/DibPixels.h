#pragma once

#include <cstdint>

namespace platform {

// Draws the source rectangle of a packed DIB (header at info, pixels at
// bits) into a 0x00RRGGBB pixel buffer of the given size, scaled to the
// destination rectangle and clipped to the buffer. Handles 1, 4 and 8 bits
// with a colour table, 16 and 32 bits plain or with bit fields, and 24 bits;
// compressed DIBs are not drawn. Source coordinates count from the picture's
// top-left corner. Returns the number of scan lines drawn, 0 on failure.
int DrawDibPixels(uint32_t* target, int targetWidth, int targetHeight, int x, int y, int width, int height, int sourceX,
                  int sourceY, int sourceWidth, int sourceHeight, const uint8_t* bits, const uint8_t* info);

} // namespace platform
