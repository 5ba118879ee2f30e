#pragma once

#include "com/ComBase.h"

// BSTR: 16-bit characters preceded by a 32-bit byte length and followed by a
// zero character, allocated with malloc as one block that starts at the
// length. Any module using this layout may free a string another allocated.
// A null BSTR counts as the empty string.
extern "C" {
COM_API BSTR SysAllocString(const OLECHAR* text);
COM_API BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
COM_API BSTR SysAllocStringByteLen(const char* bytes, UINT byteLength);
COM_API UINT SysStringLen(BSTR text);
COM_API UINT SysStringByteLen(BSTR text);
COM_API void SysFreeString(BSTR text);
COM_API int SysReAllocStringLen(BSTR* text, const OLECHAR* source, UINT length);
}
