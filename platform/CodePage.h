#pragma once

#include <cstddef>
#include <cstdint>

// Conversions between the system's narrow code pages and 16-bit text. The
// narrow (ANSI) code page is the system's own on Windows and Windows-1252
// elsewhere; the OEM code page is the system's own on Windows and 437
// elsewhere. Between the two narrow pages a character the other lacks takes
// the Windows best fit (an accented letter its base letter) or '?'; from
// 16-bit text such a character becomes '?'.
namespace platform {

// In place, up to the zero terminator: ANSI to OEM and back.
void ConvertAnsiToOem(char* text);
void ConvertOemToAnsi(char* text);

// The zero-terminated narrow text as zero-terminated 16-bit text in `out`
// (room for `outUnits` units, terminator included); the conversion stops at
// the first zero byte. Returns the units written without the terminator.
std::size_t NarrowToWide(const char* text, uint16_t* out, std::size_t outUnits);

// `count` 16-bit units to narrow text in `out` (room for `outSize` bytes, no
// terminator written). Returns the narrow length; with a null `out`, the
// length that is needed.
std::size_t WideToNarrow(const uint16_t* wide, std::size_t count, char* out, std::size_t outSize);

} // namespace platform
