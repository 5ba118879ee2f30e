#pragma once

// libisofs needs the fixed-width integer types before its header, and declares
// its `burn_source` in the global namespace while libburn's C++ view puts the
// same structure into namespace `burn`; `toBurnSource` bridges the two names.
#include <stdint.h>

#include <libisofs/libisofs.h>

#include <libburn/libburn.h>

using namespace burn;

inline burn::burn_source* toBurnSource(::burn_source* source)
{
    return reinterpret_cast<burn::burn_source*>(source);
}
