#pragma once

#include "afx/CString.h"
#include "foundation/DObject.h"
#include "platform/Export.h"

#include <cstdint>

class CArchive;
class CDumpContext;

// A string that is also a framework object: it can be created from its
// run-time class ("CObString", schema 1), read from an archive and dumped,
// and it is allocated through DObject's pooled operators. The text lives in
// a CString; every string operation delegates to the matching CString one.
//
// Loading reads a 16-bit schema word before the text while the process-wide
// schema number (loadSchema, 0 at start-up) is 1 or less; it keeps the last
// valid word read, so after a 2 the rest of the process reads texts without
// it. Words other than 1 and 2 are refused with CNotSupportedException and
// leave loadSchema as it was. Storing writes nothing: archives of these
// strings are written elsewhere.
class VELMORA_API CObString : public DObject {
public:
    CObString();
    CObString(const CString& text);
    CObString(const CObString& other);
    CObString(char ch, int count);
    CObString(const char* text);
    CObString(const char* text, int length);
    ~CObString() override;

    CRuntimeClass* GetRuntimeClass() const override;
    void Serialize(CArchive& archive) override;

    const CObString& operator=(const CObString& other);
    const CObString& operator=(char ch);
    const CObString& operator=(const char* text);
    const CObString& operator=(const unsigned char* text);
    // Converts 16-bit text to the narrow code page.
    const CObString& operator=(const unsigned short* wide);

    const CObString& operator+=(const CObString& other);
    const CObString& operator+=(char ch);
    const CObString& operator+=(const char* text);

    CObString Mid(int first, int count) const;
    CObString Mid(int first) const;
    CObString Left(int count) const;
    CObString Right(int count) const;
    CObString SpanIncluding(const char* set) const;
    CObString SpanExcluding(const char* set) const;

    // Writes  = "text"  (with a leading space).
    void Dump(CDumpContext& context) const;

    static CObject* CreateObject();

    static CRuntimeClass classCObString;
    static uint16_t loadSchema;

    CString m_str;
};

VELMORA_API CObString operator+(const CObString& left, const CObString& right);
VELMORA_API CObString operator+(const CObString& left, const char* right);
VELMORA_API CObString operator+(const char* left, const CObString& right);
VELMORA_API CObString operator+(const CObString& left, char right);

// Reads a whole object, class tag included, through the archive's object
// reading; the result is null for a null tag and belongs to the caller.
VELMORA_API CArchive& operator>>(CArchive& archive, CObString*& object);
