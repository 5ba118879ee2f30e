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

// Byte-to-byte maps built once from the two tables.
struct Recoding {
    char ansiToOem[256];
    char oemToAnsi[256];

    Recoding()
    {
        for (unsigned b = 0; b < 256; ++b) {
            const auto byte = static_cast<unsigned char>(b);
            ansiToOem[b] = FromUnicode(codepage::oem437High, ToUnicode(codepage::windows1252High, byte));
            oemToAnsi[b] = FromUnicode(codepage::windows1252High, ToUnicode(codepage::oem437High, byte));
        }
    }
};

const Recoding& Recode()
{
    static const Recoding recoding;
    return recoding;
}

void Translate(char* text, const char (&map)[256])
{
    for (; *text != '\0'; ++text) {
        *text = map[static_cast<unsigned char>(*text)];
    }
}

} // namespace

void ConvertAnsiToOem(char* text)
{
    Translate(text, Recode().ansiToOem);
}

void ConvertOemToAnsi(char* text)
{
    Translate(text, Recode().oemToAnsi);
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
