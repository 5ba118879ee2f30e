#pragma once

#include "afx/AfxMemory.h"
#include "afx/CStringData.h"
#include "platform/Export.h"

#include <atomic>
#include <cstdarg>
#include <cstdint>

class CArchive;
class CString;
class OvString;

// Concatenation: a new string of exactly the combined length.
VELMORA_API OvString operator+(const OvString& left, const OvString& right);
VELMORA_API OvString operator+(const OvString& left, const CString& right);
VELMORA_API OvString operator+(const CString& left, const OvString& right);
VELMORA_API OvString operator+(const OvString& left, const char* right);
VELMORA_API OvString operator+(const char* left, const OvString& right);
VELMORA_API OvString operator+(const OvString& left, char right);
VELMORA_API OvString operator+(char left, const OvString& right);

// The header in front of an OvString's characters; the same layout as the
// framework string's, so OvString and CString read each other's length.
using OvStringData = CStringData;

// Velmora's narrow string: one pointer to zero-terminated characters, with the
// reference-counted OvStringData header in front of them.
//
// Copies share the buffer (an interlocked count) until one of them writes;
// every modifying operation first makes the buffer its own. A new buffer is
// allocated with exactly the capacity asked for: no rounding and no growth
// factor, so appending one byte at a time copies the whole text each time.
// Every empty string without a buffer of its own points at one shared static
// empty buffer (refs -2) that is never counted or freed. A locked buffer
// (LockBuffer, refs -1) is never shared: copies of it get their own buffer.
//
// Separate OvString objects sharing one buffer may be copied and destroyed on
// different threads; one object must not be used by two threads at once.
// Allocation failures raise CMemoryException; range errors are clamped, never
// reported, and GetAt, operator[] and SetAt do not check their index.
class VELMORA_API OvString {
public:
    OvString();
    VELMORA_INLINE_API OvString(const OvString& source);
    OvString(const char* text);
    OvString(const unsigned char* text);
    OvString(const CString& source);
    OvString(char ch, int repeat = 1);
    OvString(const char* text, int length);
    VELMORA_INLINE_API ~OvString();

    const OvString& operator=(const OvString& source);
    const OvString& operator=(const char* text);
    const OvString& operator=(const unsigned char* text);
    const OvString& operator=(const CString& source);
    const OvString& operator=(char ch);

    int GetLength() const;
    int GetAllocLength() const;
    bool IsEmpty() const;
    VELMORA_INLINE_API operator const char*() const;
    char GetAt(int index) const;
    char operator[](int index) const;
    void SetAt(int index, char ch);
    void Empty();

    int Compare(const char* text) const;
    int CompareNoCase(const char* text) const;
    int Collate(const char* text) const;
    int CollateNoCase(const char* text) const;

    const OvString& operator+=(const char* text);
    const OvString& operator+=(char ch);
    const OvString& operator+=(const OvString& text);
    const OvString& operator+=(const CString& text);

    char* GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);
    char* GetBufferSetLength(int length);
    void FreeExtra();
    char* LockBuffer();
    void UnlockBuffer();

    int Find(char ch) const;
    int Find(const char* sub) const;
    int Find(char ch, int start) const;
    int Find(const char* sub, int start) const;
    int ReverseFind(char ch) const;
    int FindOneOf(const char* set) const;

    OvString Mid(int first, int count) const;
    OvString Mid(int first) const;
    OvString Left(int count) const;
    OvString Right(int count) const;
    OvString SpanIncluding(const char* set) const;
    OvString SpanExcluding(const char* set) const;

    void MakeUpper();
    void MakeLower();
    void MakeReverse();
    void CharToOemA();
    void OemToCharA();
    void TrimLeft();
    void TrimRight();
    void TrimLeft(char ch);
    void TrimRight(char ch);
    void TrimLeft(const char* set);
    void TrimRight(const char* set);
    int Delete(int index, int count = 1);
    int Insert(int index, char ch);
    int Insert(int index, const char* text);
    int Replace(char oldChar, char newChar);
    int Replace(const char* oldText, const char* newText);
    int ReplaceNoCase(const char* oldText, const char* newText);
    int Remove(char ch);

    void Format(const char* format, ...);
    void FormatV(const char* format, va_list args);
    void FormatMessageA(const char* format, ...);

    operator CString() const;
    // A 16-bit copy of the text kept in this string's own buffer behind the
    // narrow text; valid until the string is next changed.
    operator const unsigned short*();

protected:
    OvStringData* GetData() const;
    void Init();
    void AllocBuffer(int length);
    void Release();
    static void Release(OvStringData* data);
    void CopyBeforeWrite();
    void AllocBeforeWrite(int length);
    void AllocCopy(OvString& dest, int copyLength, int index, int extraLength) const;
    void AssignCopy(int length, const char* text);
    void ConcatCopy(int length1, const char* text1, int length2, const char* text2);
    void ConcatInPlace(int length, const char* text);
    static int SafeStrlen(const char* text);

    char* chars;

private:
    int ReplaceOccurrences(const char* oldText, const char* newText, bool ignoreCase);
    void AssignBuffer(OvStringData* data);
    // The copy of a locked source: its own buffer with the same text.
    void CopyLockedSource(const OvString& source);

    friend OvString operator+(const OvString&, const OvString&);
    friend OvString operator+(const OvString&, const CString&);
    friend OvString operator+(const CString&, const OvString&);
    friend OvString operator+(const OvString&, const char*);
    friend OvString operator+(const char*, const OvString&);
    friend OvString operator+(const OvString&, char);
    friend OvString operator+(char, const OvString&);
};

// Copying and destroying are inline so that a shared copy costs its one
// interlocked increment and a destruction its one interlocked decrement and
// the test of its result. The shared empty buffer is recognised by address:
// neither reads nor changes its count.
inline OvString::OvString(const OvString& source) : chars(source.chars)
{
    OvStringData* data = reinterpret_cast<OvStringData*>(chars) - 1;
    if (afx::IsEmptyStringData(data)) {
        return;
    }
    if (afx::StringRefs(data) >= 0) {
        afx::AddStringRef(data);
        return;
    }
    CopyLockedSource(source);
}

inline OvString::~OvString()
{
    OvStringData* data = reinterpret_cast<OvStringData*>(chars) - 1;
    // acq_rel: the last owner must see every write made through other owners
    // before it frees the block. A locked buffer (refs -1) is always freed.
    if (!afx::IsEmptyStringData(data) &&
        std::atomic_ref<int32_t>(data->refs).fetch_sub(1, std::memory_order_acq_rel) <= 1) {
        AfxFreeMemory(data);
    }
}

inline OvString::operator const char*() const
{
    return chars;
}

// The static empty string every empty OvString points into.
VELMORA_API const OvString& OvGetEmptyString();

VELMORA_API bool operator==(const OvString& left, const OvString& right);
VELMORA_API bool operator==(const OvString& left, const char* right);
VELMORA_API bool operator==(const char* left, const OvString& right);
VELMORA_API bool operator!=(const OvString& left, const OvString& right);
VELMORA_API bool operator!=(const OvString& left, const char* right);
VELMORA_API bool operator!=(const char* left, const OvString& right);
VELMORA_API bool operator<(const OvString& left, const OvString& right);
VELMORA_API bool operator<(const OvString& left, const char* right);
VELMORA_API bool operator<(const char* left, const OvString& right);
VELMORA_API bool operator>(const OvString& left, const OvString& right);
VELMORA_API bool operator>(const OvString& left, const char* right);
VELMORA_API bool operator>(const char* left, const OvString& right);
VELMORA_API bool operator<=(const OvString& left, const OvString& right);
VELMORA_API bool operator<=(const OvString& left, const char* right);
VELMORA_API bool operator<=(const char* left, const OvString& right);
VELMORA_API bool operator>=(const OvString& left, const OvString& right);
VELMORA_API bool operator>=(const OvString& left, const char* right);
VELMORA_API bool operator>=(const char* left, const OvString& right);

// The archive form: a length prefix (one byte below 255; else 0xFF and 16 bits
// below 0xFFFF; else 0xFF, 0xFFFF and 32 bits, all little-endian) followed by
// the characters without a terminator. Loading raises CArchiveException with
// cause endOfFile when fewer characters follow than announced.
VELMORA_API CArchive& operator<<(CArchive& archive, const OvString& text);
VELMORA_API CArchive& operator>>(CArchive& archive, OvString& text);
