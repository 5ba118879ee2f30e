#include "foundation/OvString.h"

#include "afx/AfxMemory.h"
#include "afx/CString.h"

#include <atomic>
#include <cstring>

const OvString& OvGetEmptyString()
{
    static const OvString empty;
    return empty;
}

// Buffer management.

OvStringData* OvString::GetData() const
{
    return reinterpret_cast<OvStringData*>(chars) - 1;
}

void OvString::Init()
{
    chars = afx::EmptyStringData()->data();
}

void OvString::AllocBuffer(int length)
{
    if (length == 0) {
        Init();
        return;
    }
    chars = afx::AllocateStringData(length)->data();
}

void OvString::Release()
{
    if (afx::StringRefs(GetData()) != -2) {
        afx::ReleaseStringData(GetData());
        Init();
    }
}

void OvString::Release(OvStringData* data)
{
    afx::ReleaseStringData(data);
}

void OvString::AssignBuffer(OvStringData* data)
{
    chars = data->data();
}

void OvString::CopyBeforeWrite()
{
    OvStringData* data = GetData();
    if (afx::StringRefs(data) > 1) {
        const int length = data->dataLength;
        // Allocate before letting go of the shared buffer, so that a failed
        // allocation leaves this string as it was.
        OvStringData* own = afx::AllocateStringData(length);
        std::memcpy(own->data(), chars, static_cast<std::size_t>(length) + 1);
        Release(data);
        AssignBuffer(own);
    }
}

void OvString::AllocBeforeWrite(int length)
{
    const OvStringData* data = GetData();
    if (afx::StringRefs(data) > 1 || length > data->allocLength) {
        Release();
        AllocBuffer(length);
    }
}

void OvString::AllocCopy(OvString& dest, int copyLength, int index, int extraLength) const
{
    const int64_t total = int64_t{copyLength} + extraLength;
    if (total == 0) {
        dest.Init();
        return;
    }
    OvStringData* data = afx::AllocateStringData(total);
    std::memcpy(data->data(), chars + index, static_cast<std::size_t>(copyLength));
    dest.AssignBuffer(data);
}

void OvString::AssignCopy(int length, const char* text)
{
    AllocBeforeWrite(length);
    if (length == 0) {
        // Either the shared empty buffer or a locked one that keeps its place.
        if (afx::StringRefs(GetData()) != -2) {
            GetData()->dataLength = 0;
            chars[0] = '\0';
        }
        return;
    }
    std::memmove(chars, text, static_cast<std::size_t>(length));
    GetData()->dataLength = length;
    chars[length] = '\0';
}

void OvString::ConcatCopy(int length1, const char* text1, int length2, const char* text2)
{
    const int64_t total = int64_t{length1} + length2;
    if (total == 0) {
        return;
    }
    OvStringData* data = afx::AllocateStringData(total);
    // Either text may be null when its length is 0.
    if (length1 > 0) {
        std::memcpy(data->data(), text1, static_cast<std::size_t>(length1));
    }
    if (length2 > 0) {
        std::memcpy(data->data() + length1, text2, static_cast<std::size_t>(length2));
    }
    AssignBuffer(data);
}

void OvString::ConcatInPlace(int length, const char* text)
{
    if (length == 0) {
        return;
    }
    OvStringData* data = GetData();
    if (afx::StringRefs(data) <= 1 && afx::StringRefs(data) != -2 &&
        int64_t{data->dataLength} + length <= data->allocLength) {
        std::memmove(chars + data->dataLength, text, static_cast<std::size_t>(length));
        data->dataLength += length;
        chars[data->dataLength] = '\0';
        return;
    }
    // The text may lie in the old buffer, which is released only after the
    // new one holds both parts.
    ConcatCopy(data->dataLength, chars, length, text);
    Release(data);
}

int OvString::SafeStrlen(const char* text)
{
    return text == nullptr ? 0 : static_cast<int>(std::strlen(text));
}

// Construction, assignment and destruction.

OvString::OvString()
{
    Init();
}

void OvString::CopyLockedSource(const OvString& source)
{
    Init();
    const OvStringData* data = source.GetData();
    if (afx::StringRefs(data) == -1) {
        source.AllocCopy(*this, data->dataLength, 0, 0);
    }
}

OvString::OvString(const char* text)
{
    Init();
    const int length = SafeStrlen(text);
    if (length != 0) {
        AllocBuffer(length);
        std::memcpy(chars, text, static_cast<std::size_t>(length));
    }
}

OvString::OvString(const unsigned char* text) : OvString(reinterpret_cast<const char*>(text)) {}

OvString::OvString(const CString& source) : OvString(static_cast<const char*>(source)) {}

OvString::OvString(char ch, int repeat)
{
    Init();
    if (repeat > 0) {
        AllocBuffer(repeat);
        std::memset(chars, static_cast<unsigned char>(ch), static_cast<std::size_t>(repeat));
    }
}

OvString::OvString(const char* text, int length)
{
    Init();
    if (length > 0) {
        AllocBuffer(length);
        std::memcpy(chars, text, static_cast<std::size_t>(length));
    }
}

const OvString& OvString::operator=(const OvString& source)
{
    if (chars == source.chars) {
        return *this;
    }
    OvStringData* own = GetData();
    OvStringData* theirs = source.GetData();
    if (afx::StringRefs(own) == -1 || afx::StringRefs(theirs) == -1) {
        AssignCopy(theirs->dataLength, source.chars);
        return *this;
    }
    if (afx::StringRefs(theirs) != -2) {
        afx::AddStringRef(theirs);
    }
    Release();
    chars = source.chars;
    return *this;
}

const OvString& OvString::operator=(const char* text)
{
    AssignCopy(SafeStrlen(text), text);
    return *this;
}

const OvString& OvString::operator=(const unsigned char* text)
{
    return *this = reinterpret_cast<const char*>(text);
}

const OvString& OvString::operator=(const CString& source)
{
    return *this = static_cast<const char*>(source);
}

const OvString& OvString::operator=(char ch)
{
    AssignCopy(1, &ch);
    return *this;
}

// Size and access.

int OvString::GetLength() const
{
    return GetData()->dataLength;
}

int OvString::GetAllocLength() const
{
    return GetData()->allocLength;
}

bool OvString::IsEmpty() const
{
    return GetData()->dataLength == 0;
}

char OvString::GetAt(int index) const
{
    return chars[index];
}

char OvString::operator[](int index) const
{
    return chars[index];
}

void OvString::SetAt(int index, char ch)
{
    CopyBeforeWrite();
    chars[index] = ch;
}

void OvString::Empty()
{
    if (GetData()->dataLength == 0) {
        return;
    }
    if (afx::StringRefs(GetData()) >= 0) {
        Release();
    } else {
        AssignCopy(0, "");
    }
}

// Buffer access.

char* OvString::GetBuffer(int minLength)
{
    AssignBuffer(afx::ReserveStringData(GetData(), minLength));
    return chars;
}

void OvString::ReleaseBuffer(int newLength)
{
    CopyBeforeWrite();
    afx::SetStringLength(GetData(), newLength);
}

char* OvString::GetBufferSetLength(int length)
{
    GetBuffer(length);
    afx::SetStringLength(GetData(), length);
    return chars;
}

void OvString::FreeExtra()
{
    OvStringData* data = GetData();
    if (data->allocLength != data->dataLength) {
        OvString trimmed;
        AllocCopy(trimmed, data->dataLength, 0, 0);
        Release();
        chars = trimmed.chars;
        trimmed.Init();
    }
}

char* OvString::LockBuffer()
{
    char* text = GetBuffer(0);
    if (afx::StringRefs(GetData()) != -2) {
        GetData()->refs = -1;
    }
    return text;
}

void OvString::UnlockBuffer()
{
    if (afx::StringRefs(GetData()) != -2) {
        GetData()->refs = 1;
    }
}
