#include "afx/CDumpContext.h"

#include <cinttypes>
#include <cstdint>
#include <cstring>

namespace {
// Large enough for any of the formatted numbers below.
constexpr std::size_t numberTextSize = 48;
} // namespace

void CDumpContext::Write(const char* text, std::size_t length)
{
    if (stream_ != nullptr) {
        std::fwrite(text, 1, length, stream_);
    } else {
        collected_.append(text, length);
    }
}

CDumpContext& CDumpContext::operator<<(const char* text)
{
    if (text == nullptr) {
        text = "(null)";
    }
    Write(text, std::strlen(text));
    return *this;
}

CDumpContext& CDumpContext::operator<<(int value)
{
    return *this << static_cast<long long>(value);
}

CDumpContext& CDumpContext::operator<<(unsigned int value)
{
    return *this << static_cast<unsigned long long>(value);
}

CDumpContext& CDumpContext::operator<<(long value)
{
    return *this << static_cast<long long>(value);
}

CDumpContext& CDumpContext::operator<<(unsigned long value)
{
    return *this << static_cast<unsigned long long>(value);
}

CDumpContext& CDumpContext::operator<<(long long value)
{
    char text[numberTextSize];
    const int length = std::snprintf(text, sizeof text, "%" PRId64, static_cast<int64_t>(value));
    Write(text, static_cast<std::size_t>(length));
    return *this;
}

CDumpContext& CDumpContext::operator<<(unsigned long long value)
{
    char text[numberTextSize];
    const int length = std::snprintf(text, sizeof text, "%" PRIu64, static_cast<uint64_t>(value));
    Write(text, static_cast<std::size_t>(length));
    return *this;
}

CDumpContext& CDumpContext::operator<<(double value)
{
    char text[numberTextSize];
    const int length = std::snprintf(text, sizeof text, "%g", value);
    Write(text, static_cast<std::size_t>(length));
    return *this;
}

CDumpContext& CDumpContext::operator<<(const void* pointer)
{
    char text[numberTextSize];
    const int length = std::snprintf(text, sizeof text, "$%" PRIXPTR, reinterpret_cast<uintptr_t>(pointer));
    Write(text, static_cast<std::size_t>(length));
    return *this;
}

void CDumpContext::Flush()
{
    if (stream_ != nullptr) {
        std::fflush(stream_);
    }
}
