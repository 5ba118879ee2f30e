#pragma once

#include <string>

// UTF-16 (the engine's BSTRs) to and from UTF-8 (libburn's and the file
// system's text). Unpaired surrogates and malformed bytes become U+FFFD
// rather than being dropped, so a bad name is visible in error texts.
class Utf16Text {
public:
    static std::string toUtf8(const std::u16string& text);
    static std::u16string fromUtf8(const std::string& text);
};
