#include "foundation/FormatEstimate.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <type_traits>

namespace foundation {

namespace {

enum class Size { normal, shortInt, longInt, longLong, sizeType, longDouble };

// Widths and precisions count up to this bound, so that their sums cannot
// overflow; a larger one is still printed, into the buffer that FormatV
// grows to the printed length.
constexpr int kNumberLimit = 1 << 24;

int ReadNumber(const char*& p)
{
    int value = 0;
    while (*p >= '0' && *p <= '9') {
        value = std::min(value * 10 + (*p++ - '0'), kNumberLimit);
    }
    return value;
}

// A width or precision from the arguments, saturated at the bound; the
// magnitude of INT_MIN included.
int Saturated(long long value)
{
    return static_cast<int>(std::min<long long>(value < 0 ? -value : value, kNumberLimit));
}

// What a wint_t argument is passed as: int where it is narrower.
using PassedWint = std::conditional_t<(sizeof(wint_t) < sizeof(int)), int, wint_t>;

// Skips the size modifiers and tells which argument type they select, so
// that every later item reads its own argument.
Size ReadSize(const char*& p)
{
    Size size = Size::normal;
    for (;;) {
        switch (*p) {
        case 'h':
            size = Size::shortInt;
            break;
        case 'l':
            size = size == Size::longInt ? Size::longLong : Size::longInt;
            break;
        case 'L':
        case 'q':
            size = Size::longDouble;
            break;
        case 'j':
            size = Size::longLong;
            break;
        case 'z':
        case 't':
            size = Size::sizeType;
            break;
        case 'F':
        case 'N':
            break;
        case 'I':
            if (std::strncmp(p, "I64", 3) == 0) {
                p += 2;
                size = Size::longLong;
            } else if (std::strncmp(p, "I32", 3) == 0) {
                p += 2;
            } else {
                size = Size::sizeType;
            }
            break;
        default:
            return size;
        }
        ++p;
    }
}

// The length of a string argument; with a precision, 0 included, only that
// many bytes may be read (the text need not be terminated).
int TextLength(const char* text, bool hasPrecision, int precision)
{
    if (!hasPrecision) {
        return static_cast<int>(std::min<std::size_t>(std::strlen(text), 1 << 30));
    }
    const void* end = std::memchr(text, '\0', static_cast<std::size_t>(precision));
    return end == nullptr ? precision : static_cast<int>(static_cast<const char*>(end) - text);
}

// The room for a wide-text argument: its length in bytes, which no narrow
// form of it exceeds. With a precision (the most bytes printed) nothing of
// it is read, as it need not be terminated.
int WideTextLength(const wchar_t* text, bool hasPrecision, int precision)
{
    if (hasPrecision) {
        return precision;
    }
    return static_cast<int>(std::min<std::size_t>(std::wcslen(text), 1 << 27) * sizeof(wchar_t));
}

void SkipInteger(Size size, va_list* args)
{
    if (size == Size::longLong) {
        va_arg(*args, long long);
    } else if (size == Size::longInt) {
        va_arg(*args, long);
    } else if (size == Size::sizeType) {
        va_arg(*args, std::size_t);
    } else {
        va_arg(*args, int);
    }
}

} // namespace

int EstimateFormattedLength(const char* format, va_list callerArgs)
{
    // A local copy, as a va_list parameter cannot be handed on by pointer.
    va_list args;
    va_copy(args, callerArgs);
    int64_t total = 0;
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%' || *++p == '%') {
            ++total;
            continue;
        }
        int64_t item = 0;
        for (; *p == '-' || *p == '+' || *p == '0' || *p == ' ' || *p == '#'; ++p) {
            item += *p == '#' ? 2 : 0;
        }
        int width = 0;
        if (*p == '*') {
            width = Saturated(va_arg(args, int));
            ++p;
        } else {
            width = ReadNumber(p);
        }
        // A negative precision from the arguments counts as none.
        int precision = 0;
        bool hasPrecision = false;
        if (*p == '.') {
            ++p;
            if (*p == '*') {
                const int value = va_arg(args, int);
                hasPrecision = value >= 0;
                precision = hasPrecision ? Saturated(value) : 0;
                ++p;
            } else {
                hasPrecision = true;
                precision = ReadNumber(p);
            }
        }
        const Size size = ReadSize(p);
        switch (*p) {
        case 'c':
        case 'C':
        case 's':
        case 'S': {
            // C and S, like lc and ls, take a wide character and a wide text.
            const bool wide = *p == 'C' || *p == 'S' || size == Size::longInt;
            int length = 2;
            if (*p == 's' || *p == 'S') {
                if (wide) {
                    const wchar_t* text = va_arg(args, const wchar_t*);
                    length = text == nullptr ? 6 : std::max(1, WideTextLength(text, hasPrecision, precision));
                } else {
                    const char* text = va_arg(args, const char*);
                    length = text == nullptr ? 6 : std::max(1, TextLength(text, hasPrecision, precision));
                }
            } else if (wide) {
                va_arg(args, PassedWint);
            } else {
                SkipInteger(size, &args);
            }
            if (precision != 0) {
                length = std::min(length, precision);
            }
            item += std::max(width, length);
            break;
        }
        case 'd':
        case 'i':
        case 'o':
        case 'u':
        case 'x':
        case 'X':
            SkipInteger(size, &args);
            item += std::max(32, width + precision);
            break;
        case 'p':
            va_arg(args, void*);
            item += std::max(32, width + precision);
            break;
        case 'e':
        case 'E':
        case 'f':
        case 'F':
        case 'g':
        case 'G':
        case 'a':
        case 'A':
            if (size == Size::longDouble) {
                va_arg(args, long double);
            } else {
                va_arg(args, double);
            }
            item += std::max(128, width + precision);
            break;
        case 'n':
            va_arg(args, void*);
            break;
        case '\0':
            --p; // a lone percent sign at the end
            break;
        default:
            break;
        }
        total += item;
    }
    va_end(args);
    return static_cast<int>(std::min<int64_t>(total, 1 << 30));
}

} // namespace foundation
