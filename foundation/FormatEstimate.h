#pragma once

#include <cstdarg>

namespace foundation {

// The room OvString::FormatV reserves before printing: every ordinary byte
// and every "%%" count 1; an item counts by its conversion (c and C 2; s its
// text, limited by the precision and raised to the width, 6 for a null
// pointer, and with a precision, 0 included, no byte beyond it read; S and
// ls the wide text's length in bytes, or the precision; integers and
// pointers max(32, width + precision); floating point max(128, width +
// precision); n and unknown conversions 0). Widths and precisions saturate
// at 1 << 24. The arguments are consumed from `args`, which the caller
// passes as a copy.
int EstimateFormattedLength(const char* format, va_list args);

} // namespace foundation
