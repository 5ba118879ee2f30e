#pragma once

#include "foundation/OvString.h"

// The buffer header in front of a string's characters, for checking the
// buffer rules from outside.
inline const OvStringData& Header(const OvString& text)
{
    return *(reinterpret_cast<const OvStringData*>(static_cast<const char*>(text)) - 1);
}
