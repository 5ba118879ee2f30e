#pragma once

#include "afx/CStringData.h"
#include "platform/Export.h"

class CArchive;

// The framework's growable narrow string. Its buffer carries the CStringData
// header (refs, length, capacity) in front of the characters, the same layout
// as OvString's, and is shared by copies until one of them writes. Only what
// Velmora needs is here: construction, assignment, length and text access,
// comparison, concatenation, extraction, buffer access and the archive form.
class VELMORA_API CString {
public:
    CString();
    CString(const CString& source);
    CString(const char* text);
    CString(const unsigned char* text);
    CString(const char* text, int length);
    CString(char ch, int repeat = 1);
    // Converts 16-bit text to the narrow (ANSI) code page.
    CString(const unsigned short* wide);
    ~CString();

    const CString& operator=(const CString& source);
    const CString& operator=(const char* text);
    const CString& operator=(char ch);
    const CString& operator=(const unsigned short* wide);

    int GetLength() const;
    bool IsEmpty() const;
    void Empty();
    operator const char*() const;
    char GetAt(int index) const;
    char operator[](int index) const;
    void SetAt(int index, char ch);

    int Compare(const char* text) const;
    int CompareNoCase(const char* text) const;

    const CString& operator+=(const char* text);
    const CString& operator+=(char ch);
    const CString& operator+=(const CString& text);

    CString Mid(int first, int count) const;
    CString Mid(int first) const;
    CString Left(int count) const;
    CString Right(int count) const;
    CString SpanIncluding(const char* set) const;
    CString SpanExcluding(const char* set) const;

    char* GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);
    char* GetBufferSetLength(int length);

private:
    CStringData* GetData() const;
    void Assign(int length, const char* text);
    void Append(int length, const char* text);
    void MakeOwn();

    char* chars;
};

VELMORA_API CString operator+(const CString& left, const CString& right);
VELMORA_API CString operator+(const CString& left, const char* right);
VELMORA_API CString operator+(const char* left, const CString& right);
VELMORA_API bool operator==(const CString& left, const CString& right);
VELMORA_API bool operator==(const CString& left, const char* right);
VELMORA_API bool operator!=(const CString& left, const CString& right);
VELMORA_API bool operator!=(const CString& left, const char* right);

// The framework's string archive form: the length prefix of
// afx/ArchiveStringLength.h, then the characters. Loading also accepts the
// 16-bit form and converts it to the narrow code page.
VELMORA_API CArchive& operator<<(CArchive& archive, const CString& text);
VELMORA_API CArchive& operator>>(CArchive& archive, CString& text);
