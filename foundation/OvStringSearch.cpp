#include "foundation/OvString.h"

#include <cstring>

// Search and extraction. Searches stop at the first zero byte, like the C
// string functions they use; counts are clamped, never reported.

int OvString::Find(char ch) const
{
    return Find(ch, 0);
}

int OvString::Find(const char* sub) const
{
    return Find(sub, 0);
}

int OvString::Find(char ch, int start) const
{
    start = start < 0 ? 0 : start; // a negative start searches from the beginning
    if (start >= GetLength()) {
        return -1;
    }
    const char* hit = std::strchr(chars + start, ch);
    return hit == nullptr ? -1 : static_cast<int>(hit - chars);
}

int OvString::Find(const char* sub, int start) const
{
    start = start < 0 ? 0 : start;
    if (start > GetLength()) {
        return -1;
    }
    const char* hit = std::strstr(chars + start, sub);
    return hit == nullptr ? -1 : static_cast<int>(hit - chars);
}

int OvString::ReverseFind(char ch) const
{
    const char* hit = std::strrchr(chars, ch);
    return hit == nullptr ? -1 : static_cast<int>(hit - chars);
}

int OvString::FindOneOf(const char* set) const
{
    const char* hit = std::strpbrk(chars, set);
    return hit == nullptr ? -1 : static_cast<int>(hit - chars);
}

OvString OvString::Mid(int first, int count) const
{
    first = first < 0 ? 0 : first;
    count = count < 0 ? 0 : count;
    const int length = GetLength();
    if (first > length) {
        return OvString();
    }
    if (count > length - first) {
        count = length - first;
    }
    if (first == 0 && count == length) {
        return *this;
    }
    OvString part;
    AllocCopy(part, count, first, 0);
    return part;
}

OvString OvString::Mid(int first) const
{
    return Mid(first, GetLength() - (first < 0 ? 0 : first));
}

OvString OvString::Left(int count) const
{
    return Mid(0, count);
}

OvString OvString::Right(int count) const
{
    const int length = GetLength();
    count = count < 0 ? 0 : (count > length ? length : count);
    return Mid(length - count, count);
}

OvString OvString::SpanIncluding(const char* set) const
{
    return Left(static_cast<int>(std::strspn(chars, set)));
}

OvString OvString::SpanExcluding(const char* set) const
{
    return Left(static_cast<int>(std::strcspn(chars, set)));
}
