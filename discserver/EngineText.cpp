#include "discserver/EngineText.h"

#include "platform/AnsiText.h"

std::string EngineText::ToNarrow(BSTR text)
{
    std::u16string_view wide = BstrView(text);
    wide = wide.substr(0, wide.find(u'\0'));
    return platform::Utf16ToAnsi(wide);
}

BSTR EngineText::ToBstr(std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    BSTR converted = AllocBstr(platform::AnsiToUtf16(text));
    if (converted == nullptr) {
        throw _com_error(E_OUTOFMEMORY);
    }
    return converted;
}
