#pragma once

#include <cstdint>

namespace platform::codepage {

extern const uint16_t windows1252High[128];
extern const uint16_t oem437High[128];

} // namespace platform::codepage
