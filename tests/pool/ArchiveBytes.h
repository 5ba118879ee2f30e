#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// Builds archive contents byte by byte, little-endian, the way the
// framework's writer lays them out.
class ArchiveBytes {
public:
    ArchiveBytes& Byte(uint8_t value)
    {
        bytes_.push_back(value);
        return *this;
    }
    ArchiveBytes& Word(uint16_t value) { return Byte(value & 0xFF).Byte(value >> 8); }
    ArchiveBytes& Dword(uint32_t value) { return Word(value & 0xFFFF).Word(value >> 16); }
    ArchiveBytes& Chars(std::string_view text)
    {
        bytes_.insert(bytes_.end(), text.begin(), text.end());
        return *this;
    }
    // The tag that introduces a class by name.
    ArchiveBytes& NewClass(std::string_view name, uint16_t schema)
    {
        return Word(0xFFFF).Word(schema).Word(static_cast<uint16_t>(name.size())).Chars(name);
    }
    // A string whose length fits the one-byte prefix.
    ArchiveBytes& ShortText(std::string_view text) { return Byte(static_cast<uint8_t>(text.size())).Chars(text); }

    const std::vector<unsigned char>& Data() const { return bytes_; }

private:
    std::vector<unsigned char> bytes_;
};
