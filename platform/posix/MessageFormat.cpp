#include "platform/MessageFormat.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace platform {

namespace {

constexpr int maxInsert = 99;

// Arguments are fetched in order as they are first needed, so an insert may
// name any argument up to 99 without a separate counting pass.
class InsertArguments {
public:
    explicit InsertArguments(va_list* args) : args(args) {}

    uintptr_t Get(int number)
    {
        while (static_cast<int>(fetched.size()) < number) {
            fetched.push_back(va_arg(*args, uintptr_t));
        }
        return fetched[static_cast<std::size_t>(number - 1)];
    }

private:
    va_list* args;
    std::vector<uintptr_t> fetched;
};

bool IsIntegerConversion(char c)
{
    return std::strchr("diouxXc", c) != nullptr;
}

// Formats one insert with its printf conversion `spec` (between the
// exclamation marks); false for a conversion the syntax does not allow.
bool AppendInsert(std::string& out, const std::string& spec, int number, InsertArguments& arguments)
{
    if (spec.empty()) {
        return false;
    }
    const char conversion = spec.back();
    if (conversion != 's' && conversion != 'p' && !IsIntegerConversion(conversion)) {
        return false; // floating point is not part of the message syntax
    }
    std::string format = "%";
    bool wideInteger = false;
    int next = number;
    for (std::size_t i = 0; i + 1 < spec.size(); ++i) {
        const char c = spec[i];
        if (c == '*') {
            format += std::to_string(static_cast<int>(arguments.Get(next++)));
        } else if (spec.compare(i, 3, "I64") == 0) {
            format += "ll";
            wideInteger = true;
            i += 2;
        } else if (spec.compare(i, 3, "I32") == 0) {
            i += 2;
        } else if (c == 'l' || c == 'h' || c == 'z' || c == 'j' || c == 't' || std::strchr("-+ #0.", c) != nullptr ||
                   (c >= '0' && c <= '9')) {
            wideInteger = wideInteger || c == 'l' || c == 'z' || c == 'j' || c == 't';
            format += c;
        } else {
            return false;
        }
    }
    if (next > maxInsert) {
        return false;
    }
    format += conversion;
    const uintptr_t value = arguments.Get(next);
    int length;
    char small[128];
    auto print = [&](char* buffer, std::size_t size) {
        if (conversion == 's') {
            const char* text = reinterpret_cast<const char*>(value);
            return std::snprintf(buffer, size, format.c_str(), text != nullptr ? text : "(null)");
        }
        if (conversion == 'p') {
            return std::snprintf(buffer, size, format.c_str(), reinterpret_cast<void*>(value));
        }
        if (wideInteger) {
            return std::snprintf(buffer, size, format.c_str(), static_cast<long long>(value));
        }
        return std::snprintf(buffer, size, format.c_str(), static_cast<int>(value));
    };
    length = print(small, sizeof small);
    if (length < 0) {
        return false;
    }
    if (static_cast<std::size_t>(length) < sizeof small) {
        out.append(small, static_cast<std::size_t>(length));
    } else {
        std::vector<char> large(static_cast<std::size_t>(length) + 1);
        print(large.data(), large.size());
        out.append(large.data(), static_cast<std::size_t>(length));
    }
    return true;
}

bool FormatInto(std::string& out, const char* format, InsertArguments& arguments)
{
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            out += *p;
            continue;
        }
        const char c = *++p;
        if (c == '\0') {
            return true;
        }
        if (c >= '1' && c <= '9') {
            int number = c - '0';
            if (p[1] >= '0' && p[1] <= '9') {
                number = number * 10 + (*++p - '0');
            }
            std::string spec = "s";
            if (p[1] == '!') {
                const char* close = std::strchr(p + 2, '!');
                if (close == nullptr) {
                    return false;
                }
                spec.assign(p + 2, close);
                p = close;
            }
            if (!AppendInsert(out, spec, number, arguments)) {
                return false;
            }
        } else if (c == '0') {
            return true;
        } else if (c == 'n') {
            out += "\r\n";
        } else if (c == 'r') {
            out += '\r';
        } else if (c == 't') {
            out += '\t';
        } else {
            out += c; // %%, %., %!, "% " and any other escaped character
        }
    }
    return true;
}

} // namespace

char* FormatMessageFromString(const char* format, va_list* args)
{
    if (format == nullptr) {
        return nullptr;
    }
    InsertArguments arguments(args);
    std::string text;
    if (!FormatInto(text, format, arguments) || text.empty()) {
        return nullptr;
    }
    auto* buffer = static_cast<char*>(std::malloc(text.size() + 1));
    if (buffer != nullptr) {
        std::memcpy(buffer, text.c_str(), text.size() + 1);
    }
    return buffer;
}

void FreeFormattedMessage(char* message)
{
    std::free(message);
}

} // namespace platform
