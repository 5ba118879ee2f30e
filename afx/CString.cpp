#include "afx/CString.h"

#include "afx/ArchivedString.h"
#include "afx/CArchive.h"
#include "platform/CodePage.h"

#include <algorithm>
#include <cstring>

namespace {

int TextLength(const char* text)
{
    return text == nullptr ? 0 : static_cast<int>(std::strlen(text));
}

std::size_t WideLength(const unsigned short* wide)
{
    std::size_t length = 0;
    while (wide != nullptr && wide[length] != 0) {
        ++length;
    }
    return length;
}

} // namespace

CStringData* CString::GetData() const
{
    return reinterpret_cast<CStringData*>(chars) - 1;
}

CString::CString() : chars(afx::EmptyStringData()->data()) {}

CString::CString(const CString& source) : CString()
{
    if (afx::StringRefs(source.GetData()) >= 0) {
        afx::AddStringRef(source.GetData());
        chars = source.chars;
    } else {
        Assign(source.GetLength(), source.chars);
    }
}

CString::CString(const char* text) : CString()
{
    Assign(TextLength(text), text);
}

CString::CString(const unsigned char* text) : CString(reinterpret_cast<const char*>(text)) {}

CString::CString(const char* text, int length) : CString()
{
    Assign(std::max(length, 0), text);
}

CString::CString(char ch, int repeat) : CString()
{
    if (repeat > 0) {
        Assign(repeat, nullptr);
        std::memset(chars, static_cast<unsigned char>(ch), static_cast<std::size_t>(repeat));
    }
}

CString::CString(const unsigned short* wide) : CString()
{
    *this = wide;
}

CString::~CString()
{
    afx::ReleaseStringData(GetData());
}

const CString& CString::operator=(const CString& source)
{
    if (chars != source.chars) {
        if (afx::StringRefs(source.GetData()) < 0 || afx::StringRefs(GetData()) == -1) {
            Assign(source.GetLength(), source.chars);
        } else {
            afx::AddStringRef(source.GetData());
            afx::ReleaseStringData(GetData());
            chars = source.chars;
        }
    }
    return *this;
}

const CString& CString::operator=(const char* text)
{
    Assign(TextLength(text), text);
    return *this;
}

const CString& CString::operator=(char ch)
{
    Assign(1, &ch);
    return *this;
}

const CString& CString::operator=(const unsigned short* wide)
{
    const std::size_t count = WideLength(wide);
    const auto* units = reinterpret_cast<const uint16_t*>(wide);
    const std::size_t length = platform::WideToNarrow(units, count, nullptr, 0);
    Assign(static_cast<int>(length), nullptr);
    platform::WideToNarrow(units, count, chars, length);
    return *this;
}

// Makes room for exactly `length` characters in a buffer of this string's
// own and copies `text` there (a null text leaves the characters to the
// caller). The old buffer goes only after the copy, as `text` may lie in it.
void CString::Assign(int length, const char* text)
{
    CStringData* old = GetData();
    if (length == 0) {
        chars = afx::EmptyStringData()->data();
    } else if (afx::StringRefs(old) == 1 && old->allocLength >= length) {
        if (text != nullptr) {
            std::memmove(chars, text, static_cast<std::size_t>(length));
        }
        old->dataLength = length;
        chars[length] = '\0';
        return;
    } else {
        CStringData* data = afx::AllocateStringData(length);
        if (text != nullptr) {
            std::memcpy(data->data(), text, static_cast<std::size_t>(length));
        }
        chars = data->data();
    }
    afx::ReleaseStringData(old);
}

void CString::Append(int length, const char* text)
{
    if (length == 0) {
        return;
    }
    const int oldLength = GetLength();
    CStringData* old = GetData();
    CStringData* data = afx::AllocateStringData(int64_t{oldLength} + length);
    std::memcpy(data->data(), chars, static_cast<std::size_t>(oldLength));
    std::memcpy(data->data() + oldLength, text, static_cast<std::size_t>(length));
    chars = data->data();
    afx::ReleaseStringData(old);
}

void CString::MakeOwn()
{
    if (afx::StringRefs(GetData()) > 1) {
        Assign(GetLength(), chars);
    }
}

int CString::GetLength() const
{
    return GetData()->dataLength;
}

bool CString::IsEmpty() const
{
    return GetLength() == 0;
}

void CString::Empty()
{
    Assign(0, nullptr);
}

CString::operator const char*() const
{
    return chars;
}

char CString::GetAt(int index) const
{
    return chars[index];
}

char CString::operator[](int index) const
{
    return chars[index];
}

void CString::SetAt(int index, char ch)
{
    MakeOwn();
    chars[index] = ch;
}

int CString::Compare(const char* text) const
{
    const int result = std::strcmp(chars, text);
    return (result > 0) - (result < 0);
}

int CString::CompareNoCase(const char* text) const
{
    return afx::CompareTextNoCase(chars, text);
}

const CString& CString::operator+=(const char* text)
{
    Append(TextLength(text), text);
    return *this;
}

const CString& CString::operator+=(char ch)
{
    Append(1, &ch);
    return *this;
}

const CString& CString::operator+=(const CString& text)
{
    Append(text.GetLength(), text.chars);
    return *this;
}

CString CString::Mid(int first, int count) const
{
    const int length = GetLength();
    first = std::clamp(first, 0, length);
    count = std::clamp(count, 0, length - first);
    return CString(chars + first, count);
}

CString CString::Mid(int first) const
{
    return Mid(first, GetLength());
}

CString CString::Left(int count) const
{
    return Mid(0, count);
}

CString CString::Right(int count) const
{
    count = std::clamp(count, 0, GetLength());
    return Mid(GetLength() - count, count);
}

CString CString::SpanIncluding(const char* set) const
{
    return Left(static_cast<int>(std::strspn(chars, set)));
}

CString CString::SpanExcluding(const char* set) const
{
    return Left(static_cast<int>(std::strcspn(chars, set)));
}

char* CString::GetBuffer(int minLength)
{
    chars = afx::ReserveStringData(GetData(), minLength)->data();
    return chars;
}

void CString::ReleaseBuffer(int newLength)
{
    MakeOwn();
    afx::SetStringLength(GetData(), newLength);
}

char* CString::GetBufferSetLength(int length)
{
    GetBuffer(length);
    afx::SetStringLength(GetData(), length);
    return chars;
}

CString operator+(const CString& left, const CString& right)
{
    CString result(left);
    result += right;
    return result;
}

CString operator+(const CString& left, const char* right)
{
    CString result(left);
    result += right;
    return result;
}

CString operator+(const char* left, const CString& right)
{
    CString result(left);
    result += right;
    return result;
}

bool operator==(const CString& left, const CString& right)
{
    return left.Compare(right) == 0;
}

bool operator==(const CString& left, const char* right)
{
    return left.Compare(right) == 0;
}

bool operator!=(const CString& left, const CString& right)
{
    return left.Compare(right) != 0;
}

bool operator!=(const CString& left, const char* right)
{
    return left.Compare(right) != 0;
}

CArchive& operator<<(CArchive& archive, const CString& text)
{
    afx::WriteArchivedString(archive, text, text.GetLength());
    return archive;
}

CArchive& operator>>(CArchive& archive, CString& text)
{
    afx::ReadArchivedString(archive, text);
    return archive;
}
