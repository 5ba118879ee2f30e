#include "foundation/OvString.h"

#include "afx/AfxMemory.h"
#include "afx/CString.h"

#include <cctype>
#include <cstring>
#include <new>
#include <string>

// Comparison and concatenation.

namespace {

int Sign(int value)
{
    return (value > 0) - (value < 0);
}

std::string LowerCopy(const char* text)
{
    std::string lower(text);
    for (char& ch : lower) {
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    }
    return lower;
}

int ByteOrder(const char* left, const char* right)
{
    return Sign(std::strcmp(left, right));
}

} // namespace

int OvString::Compare(const char* text) const
{
    return ByteOrder(chars, text);
}

int OvString::CompareNoCase(const char* text) const
{
    return afx::CompareTextNoCase(chars, text);
}

int OvString::Collate(const char* text) const
{
    return std::strcoll(chars, text);
}

int OvString::CollateNoCase(const char* text) const
{
    try {
        return std::strcoll(LowerCopy(chars).c_str(), LowerCopy(text).c_str());
    } catch (const std::bad_alloc&) {
        AfxThrowMemoryException();
    }
}

const OvString& OvString::operator+=(const char* text)
{
    ConcatInPlace(SafeStrlen(text), text);
    return *this;
}

const OvString& OvString::operator+=(char ch)
{
    ConcatInPlace(1, &ch);
    return *this;
}

const OvString& OvString::operator+=(const OvString& text)
{
    ConcatInPlace(text.GetLength(), text.chars);
    return *this;
}

const OvString& OvString::operator+=(const CString& text)
{
    ConcatInPlace(text.GetLength(), text);
    return *this;
}

OvString operator+(const OvString& left, const OvString& right)
{
    OvString result;
    result.ConcatCopy(left.GetLength(), left, right.GetLength(), right);
    return result;
}

OvString operator+(const OvString& left, const CString& right)
{
    OvString result;
    result.ConcatCopy(left.GetLength(), left, right.GetLength(), right);
    return result;
}

OvString operator+(const CString& left, const OvString& right)
{
    OvString result;
    result.ConcatCopy(left.GetLength(), left, right.GetLength(), right);
    return result;
}

OvString operator+(const OvString& left, const char* right)
{
    OvString result;
    result.ConcatCopy(left.GetLength(), left, OvString::SafeStrlen(right), right);
    return result;
}

OvString operator+(const char* left, const OvString& right)
{
    OvString result;
    result.ConcatCopy(OvString::SafeStrlen(left), left, right.GetLength(), right);
    return result;
}

OvString operator+(const OvString& left, char right)
{
    OvString result;
    result.ConcatCopy(left.GetLength(), left, 1, &right);
    return result;
}

OvString operator+(char left, const OvString& right)
{
    OvString result;
    result.ConcatCopy(1, &left, right.GetLength(), right);
    return result;
}

bool operator==(const OvString& left, const OvString& right)
{
    return left.Compare(right) == 0;
}

bool operator==(const OvString& left, const char* right)
{
    return left.Compare(right) == 0;
}

bool operator==(const char* left, const OvString& right)
{
    return right.Compare(left) == 0;
}

bool operator!=(const OvString& left, const OvString& right)
{
    return left.Compare(right) != 0;
}

bool operator!=(const OvString& left, const char* right)
{
    return left.Compare(right) != 0;
}

bool operator!=(const char* left, const OvString& right)
{
    return right.Compare(left) != 0;
}

bool operator<(const OvString& left, const OvString& right)
{
    return left.Compare(right) < 0;
}

bool operator<(const OvString& left, const char* right)
{
    return left.Compare(right) < 0;
}

bool operator<(const char* left, const OvString& right)
{
    return right.Compare(left) > 0;
}

bool operator>(const OvString& left, const OvString& right)
{
    return left.Compare(right) > 0;
}

bool operator>(const OvString& left, const char* right)
{
    return left.Compare(right) > 0;
}

bool operator>(const char* left, const OvString& right)
{
    return right.Compare(left) < 0;
}

bool operator<=(const OvString& left, const OvString& right)
{
    return left.Compare(right) <= 0;
}

bool operator<=(const OvString& left, const char* right)
{
    return left.Compare(right) <= 0;
}

bool operator<=(const char* left, const OvString& right)
{
    return right.Compare(left) >= 0;
}

bool operator>=(const OvString& left, const OvString& right)
{
    return left.Compare(right) >= 0;
}

bool operator>=(const OvString& left, const char* right)
{
    return left.Compare(right) >= 0;
}

bool operator>=(const char* left, const OvString& right)
{
    return right.Compare(left) <= 0;
}
