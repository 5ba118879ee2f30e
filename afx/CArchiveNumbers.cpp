#include "afx/CArchive.h"

// The number operators: fixed widths, little-endian on every machine.

namespace {

template <typename Unsigned> void PutLittleEndian(unsigned char* out, Unsigned value)
{
    for (unsigned i = 0; i < sizeof(Unsigned); ++i) {
        out[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

template <typename Unsigned> Unsigned GetLittleEndian(const unsigned char* in)
{
    Unsigned value = 0;
    for (unsigned i = 0; i < sizeof(Unsigned); ++i) {
        value = static_cast<Unsigned>(value | static_cast<Unsigned>(in[i]) << (8 * i));
    }
    return value;
}

} // namespace

CArchive& CArchive::operator<<(uint8_t value)
{
    Write(&value, 1);
    return *this;
}

CArchive& CArchive::operator<<(int8_t value)
{
    return *this << static_cast<uint8_t>(value);
}

CArchive& CArchive::operator<<(char value)
{
    return *this << static_cast<uint8_t>(value);
}

CArchive& CArchive::operator<<(uint16_t value)
{
    unsigned char bytes[2];
    PutLittleEndian(bytes, value);
    Write(bytes, sizeof bytes);
    return *this;
}

CArchive& CArchive::operator<<(int16_t value)
{
    return *this << static_cast<uint16_t>(value);
}

CArchive& CArchive::operator<<(uint32_t value)
{
    unsigned char bytes[4];
    PutLittleEndian(bytes, value);
    Write(bytes, sizeof bytes);
    return *this;
}

CArchive& CArchive::operator<<(int32_t value)
{
    return *this << static_cast<uint32_t>(value);
}

CArchive& CArchive::operator>>(uint8_t& value)
{
    LoadBytes(&value, 1);
    return *this;
}

CArchive& CArchive::operator>>(int8_t& value)
{
    uint8_t raw;
    *this >> raw;
    value = static_cast<int8_t>(raw);
    return *this;
}

CArchive& CArchive::operator>>(char& value)
{
    uint8_t raw;
    *this >> raw;
    value = static_cast<char>(raw);
    return *this;
}

CArchive& CArchive::operator>>(uint16_t& value)
{
    unsigned char bytes[2];
    LoadBytes(bytes, sizeof bytes);
    value = GetLittleEndian<uint16_t>(bytes);
    return *this;
}

CArchive& CArchive::operator>>(int16_t& value)
{
    uint16_t raw;
    *this >> raw;
    value = static_cast<int16_t>(raw);
    return *this;
}

CArchive& CArchive::operator>>(uint32_t& value)
{
    unsigned char bytes[4];
    LoadBytes(bytes, sizeof bytes);
    value = GetLittleEndian<uint32_t>(bytes);
    return *this;
}

CArchive& CArchive::operator>>(int32_t& value)
{
    uint32_t raw;
    *this >> raw;
    value = static_cast<int32_t>(raw);
    return *this;
}
