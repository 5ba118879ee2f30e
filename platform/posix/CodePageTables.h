#pragma once

#include <cstdint>

namespace platform::codepage {

extern const uint16_t windows1252High[128];
extern const unsigned char ansiToOemHigh[128];
extern const unsigned char oemToAnsiHigh[128];

} // namespace platform::codepage
