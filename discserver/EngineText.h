#pragma once

#include "com/Com.h"

#include <string>
#include <string_view>

// Text between Tessaly's narrow strings and the engine's BSTRs, through the
// ANSI code page. Both directions read their input as zero-terminated text,
// so anything after an embedded zero is not passed on.
class EngineText {
public:
    // The BSTR's text up to its first zero character; a null BSTR gives "".
    static std::string ToNarrow(BSTR text);

    // A new BSTR (never null) holding text up to its first zero byte; throws
    // _com_error(E_OUTOFMEMORY) when it cannot be allocated.
    static BSTR ToBstr(std::string_view text);
};
