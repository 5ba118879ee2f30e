#include "platform/CodePage.h"

#include <windows.h>

#include <cstdlib>

namespace platform {

void ConvertAnsiToOem(char* text)
{
    ::CharToOemA(text, text);
}

void ConvertOemToAnsi(char* text)
{
    ::OemToCharA(text, text);
}

std::size_t NarrowToWide(const char* text, uint16_t* out, std::size_t outUnits)
{
    if (outUnits == 0) {
        return 0;
    }
    // The C library's multi-byte conversion, as the string's wide view has
    // always used; wchar_t is 16 bits here.
    static_assert(sizeof(wchar_t) == sizeof(uint16_t), "16-bit wchar_t on Windows");
    auto* wide = reinterpret_cast<wchar_t*>(out);
    const std::size_t written = std::mbstowcs(wide, text, outUnits - 1);
    if (written == static_cast<std::size_t>(-1)) {
        out[0] = 0;
        return 0;
    }
    out[written] = 0;
    return written;
}

std::size_t WideToNarrow(const uint16_t* wide, std::size_t count, char* out, std::size_t outSize)
{
    if (count == 0) {
        return 0;
    }
    const int length = ::WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(wide), static_cast<int>(count),
                                             out, out == nullptr ? 0 : static_cast<int>(outSize), nullptr, nullptr);
    return length > 0 ? static_cast<std::size_t>(length) : 0;
}

} // namespace platform
