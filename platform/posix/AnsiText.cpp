#include "platform/AnsiText.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>

namespace platform {

namespace {

const char* NarrowCharset()
{
    const char* codeset = nl_langinfo(CODESET);
    // The C locale's ASCII would refuse half of the byte values.
    if (codeset == nullptr || *codeset == '\0' || std::strcmp(codeset, "ANSI_X3.4-1968") == 0 ||
        std::strcmp(codeset, "ASCII") == 0) {
        return "ISO-8859-1";
    }
    return codeset;
}

const char* WideCharset()
{
    return std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
}

// Runs iconv over the input; a unit that does not convert is replaced and
// skipped, so the conversion always covers the whole input.
template <typename In, typename Out>
std::basic_string<Out> Convert(std::basic_string_view<In> input, const char* from, const char* to, Out replacement)
{
    std::basic_string<Out> output;
    if (input.empty()) {
        return output;
    }
    iconv_t converter = iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        // An unknown character set: keep the units that are plain ASCII.
        for (In unit : input) {
            output.push_back(static_cast<unsigned>(unit) < 0x80 ? static_cast<Out>(unit) : replacement);
        }
        return output;
    }
    auto* in = const_cast<char*>(reinterpret_cast<const char*>(input.data()));
    size_t inLeft = input.size() * sizeof(In);
    char buffer[4096];
    while (inLeft > 0) {
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        const size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
        output.append(reinterpret_cast<const Out*>(buffer), static_cast<size_t>(out - buffer) / sizeof(Out));
        if (result == static_cast<size_t>(-1) && errno != E2BIG) {
            output.push_back(replacement);
            in += sizeof(In);
            inLeft -= sizeof(In);
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(converter);
    return output;
}

} // namespace

std::u16string AnsiToUtf16(std::string_view text)
{
    return Convert<char, char16_t>(text, NarrowCharset(), WideCharset(), u'\uFFFD');
}

std::string Utf16ToAnsi(std::u16string_view text)
{
    return Convert<char16_t, char>(text, WideCharset(), NarrowCharset(), '?');
}

} // namespace platform
