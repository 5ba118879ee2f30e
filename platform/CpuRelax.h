#pragma once

namespace platform {

// Tells the processor that the caller is busy-waiting, so that a sibling
// hardware thread gets the core's resources. Both targets are x86.
inline void CpuRelax()
{
    __builtin_ia32_pause();
}

} // namespace platform
