#pragma once

// The one header through which Tessaly and the recorder engines reach COM:
// the platform's own COM on Windows, the COM subset of this folder elsewhere.
#if defined(_WIN32)
#include <comdef.h>
#include <ocidl.h>
#include <ole2.h>
#include <oleauto.h>
#include <olectl.h>
#include <windows.h>
// Entry points of an in-process server; the DLL's .def file exports them by name.
#define COM_DLL_EXPORT
#else
#include "com/Bstr.h"
#include "com/ComBase.h"
#include "com/ComError.h"
#include "com/ComRuntime.h"
#include "com/ConnectionPoint.h"
#include "com/Dispatch.h"
#include "com/ErrorInfo.h"
#include "com/Unknown.h"
#endif

#include <string>
#include <string_view>

static_assert(sizeof(OLECHAR) == sizeof(char16_t), "COM text is UTF-16 on every target");

// A new BSTR holding text, or null when memory runs out.
inline BSTR AllocBstr(std::u16string_view text)
{
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
}

// The characters of a BSTR (a null BSTR is the empty string).
inline std::u16string_view BstrView(BSTR text)
{
    if (text == nullptr) {
        return {};
    }
    return {reinterpret_cast<const char16_t*>(text), SysStringLen(text)};
}
