#pragma once

#include "com/ComBase.h"

// BSTR: 16-bit characters preceded by a 32-bit byte length and followed by a
// zero character, allocated with malloc as one block that starts at the
// length. Any module using this layout may free a string another allocated.
// A null BSTR counts as the empty string.
extern "C" {
BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
BSTR SysAllocStringByteLen(const char* bytes, UINT byteLength);
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);
void SysFreeString(BSTR text);
int SysReAllocStringLen(BSTR* text, const OLECHAR* source, UINT length);
}
