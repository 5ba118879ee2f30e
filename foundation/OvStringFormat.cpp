#include "foundation/OvString.h"

#include "afx/AfxMemory.h"
#include "afx/ArchivedString.h"
#include "afx/CArchive.h"
#include "afx/CString.h"
#include "foundation/FormatEstimate.h"
#include "platform/CodePage.h"
#include "platform/MessageFormat.h"

#include <cstdio>
#include <cstring>

// Formatting, conversions and the archive form.

void OvString::Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void OvString::FormatV(const char* format, va_list args)
{
    va_list estimateArgs;
    va_copy(estimateArgs, args);
    const int estimate = foundation::EstimateFormattedLength(format, estimateArgs);
    va_end(estimateArgs);

    // The text is printed into a new buffer and only then replaces the old
    // one, so an argument that points into this string stays readable.
    OvString printed;
    va_list printArgs;
    va_copy(printArgs, args);
    int length;
    if (estimate > 0) {
        printed.AllocBuffer(estimate);
        length = std::vsnprintf(printed.chars, static_cast<std::size_t>(estimate) + 1, format, printArgs);
    } else {
        length = std::vsnprintf(nullptr, 0, format, printArgs);
    }
    va_end(printArgs);
    if (length > estimate) {
        // The estimate cannot foresee every conversion (large floating-point
        // values, for one); the buffer then takes the printed length.
        printed.Release();
        printed.AllocBuffer(length);
        va_copy(printArgs, args);
        length = std::vsnprintf(printed.chars, static_cast<std::size_t>(length) + 1, format, printArgs);
        va_end(printArgs);
    }
    if (afx::StringRefs(printed.GetData()) != -2) {
        printed.ReleaseBuffer(length < 0 ? 0 : -1);
    }
    Release();
    chars = printed.chars;
    printed.Init();
}

void OvString::FormatMessageA(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    char* message = platform::FormatMessageFromString(format, &args);
    va_end(args);
    if (message == nullptr) {
        AfxThrowMemoryException();
    }
    try {
        *this = message;
    } catch (...) {
        platform::FreeFormattedMessage(message);
        throw;
    }
    platform::FreeFormattedMessage(message);
}

OvString::operator CString() const
{
    return CString(chars, GetLength());
}

OvString::operator const unsigned short*()
{
    const int length = GetLength();
    const int offset = (length + 2) & ~1;
    GetBuffer(3 * offset);
    auto* wide = reinterpret_cast<uint16_t*>(chars + offset);
    platform::NarrowToWide(chars, wide, static_cast<std::size_t>(offset));
    ReleaseBuffer(-1);
    return reinterpret_cast<const unsigned short*>(wide);
}

CArchive& operator<<(CArchive& archive, const OvString& text)
{
    afx::WriteArchivedString(archive, text, text.GetLength());
    return archive;
}

CArchive& operator>>(CArchive& archive, OvString& text)
{
    afx::ReadArchivedString(archive, text);
    return archive;
}
