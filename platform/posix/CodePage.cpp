#include "platform/CodePage.h"

#include "platform/posix/CodePageTables.h"

namespace platform {

namespace {

uint16_t ToUnicode(const uint16_t* high, unsigned char byte)
{
    return byte < 0x80 ? byte : high[byte - 0x80];
}

char FromUnicode(const uint16_t* high, uint16_t unit)
{
    if (unit < 0x80) {
        return static_cast<char>(unit);
    }
    for (unsigned i = 0; i < 128; ++i) {
        if (high[i] == unit) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

// Maps one zero-terminated text in place; bytes below 0x80 are ASCII in
// both code pages and stay.
void Translate(char* text, const unsigned char (&high)[128])
{
    for (; *text != '\0'; ++text) {
        const auto byte = static_cast<unsigned char>(*text);
        if (byte >= 0x80) {
            *text = static_cast<char>(high[byte - 0x80]);
        }
    }
}

} // namespace

void ConvertAnsiToOem(char* text)
{
    Translate(text, codepage::ansiToOemHigh);
}

void ConvertOemToAnsi(char* text)
{
    Translate(text, codepage::oemToAnsiHigh);
}

std::size_t NarrowToWide(const char* text, uint16_t* out, std::size_t outUnits)
{
    if (outUnits == 0) {
        return 0;
    }
    std::size_t written = 0;
    for (; text[written] != '\0' && written + 1 < outUnits; ++written) {
        out[written] = ToUnicode(codepage::windows1252High, static_cast<unsigned char>(text[written]));
    }
    out[written] = 0;
    return written;
}

std::size_t WideToNarrow(const uint16_t* wide, std::size_t count, char* out, std::size_t outSize)
{
    if (out == nullptr) {
        return count;
    }
    const std::size_t length = count < outSize ? count : outSize;
    for (std::size_t i = 0; i < length; ++i) {
        out[i] = FromUnicode(codepage::windows1252High, wide[i]);
    }
    return length;
}

} // namespace platform
