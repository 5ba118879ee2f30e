#include "foundation/CObString.h"

#include "afx/CArchive.h"
#include "afx/CDumpContext.h"
#include "afx/CNotSupportedException.h"

#include <atomic>

CRuntimeClass CObString::classCObString = {
    "CObString", sizeof(CObString), 1, &CObString::CreateObject, &CObject::classCObject, nullptr,
};
uint16_t CObString::loadSchema = 0;

namespace {
const CRuntimeClass::Registration registerCObString(&CObString::classCObString);

// Archives may be read on several threads; the shared schema number is read
// and written atomically so that each reader sees a whole value.
std::atomic_ref<uint16_t> LoadSchema()
{
    return std::atomic_ref<uint16_t>(CObString::loadSchema);
}
} // namespace

CObString::CObString() = default;

CObString::CObString(const CString& text) : m_str(text) {}

CObString::CObString(const CObString& other) : DObject(), m_str(other.m_str) {}

CObString::CObString(char ch, int count) : m_str(ch, count) {}

CObString::CObString(const char* text) : m_str(text) {}

CObString::CObString(const char* text, int length) : m_str(text, length) {}

CObString::~CObString() = default;

CRuntimeClass* CObString::GetRuntimeClass() const
{
    return &classCObString;
}

CObject* CObString::CreateObject()
{
    return new CObString;
}

void CObString::Serialize(CArchive& archive)
{
    if (archive.IsStoring()) {
        return;
    }
    uint16_t schema = LoadSchema().load(std::memory_order_relaxed);
    if (schema <= 1) {
        archive >> schema;
    }
    // A refused word is not kept: one bad archive must not stop every later
    // load in the process.
    if (schema != 1 && schema != 2) {
        throw CNotSupportedException();
    }
    LoadSchema().store(schema, std::memory_order_relaxed);
    archive >> m_str;
}

const CObString& CObString::operator=(const CObString& other)
{
    m_str = other.m_str;
    return *this;
}

const CObString& CObString::operator=(char ch)
{
    m_str = ch;
    return *this;
}

const CObString& CObString::operator=(const char* text)
{
    m_str = text;
    return *this;
}

const CObString& CObString::operator=(const unsigned char* text)
{
    m_str = reinterpret_cast<const char*>(text);
    return *this;
}

const CObString& CObString::operator=(const unsigned short* wide)
{
    m_str = wide;
    return *this;
}

const CObString& CObString::operator+=(const CObString& other)
{
    m_str += other.m_str;
    return *this;
}

const CObString& CObString::operator+=(char ch)
{
    m_str += ch;
    return *this;
}

const CObString& CObString::operator+=(const char* text)
{
    m_str += text;
    return *this;
}

CObString CObString::Mid(int first, int count) const
{
    return CObString(m_str.Mid(first, count));
}

CObString CObString::Mid(int first) const
{
    return CObString(m_str.Mid(first));
}

CObString CObString::Left(int count) const
{
    return CObString(m_str.Left(count));
}

CObString CObString::Right(int count) const
{
    return CObString(m_str.Right(count));
}

CObString CObString::SpanIncluding(const char* set) const
{
    return CObString(m_str.SpanIncluding(set));
}

CObString CObString::SpanExcluding(const char* set) const
{
    return CObString(m_str.SpanExcluding(set));
}

void CObString::Dump(CDumpContext& context) const
{
    context << " = \"" << static_cast<const char*>(m_str) << "\"";
}

CObString operator+(const CObString& left, const CObString& right)
{
    return CObString(left.m_str + right.m_str);
}

CObString operator+(const CObString& left, const char* right)
{
    return CObString(left.m_str + right);
}

CObString operator+(const char* left, const CObString& right)
{
    return CObString(left + right.m_str);
}

CObString operator+(const CObString& left, char right)
{
    CObString result(left);
    result += right;
    return result;
}

CArchive& operator>>(CArchive& archive, CObString*& object)
{
    object = static_cast<CObString*>(archive.ReadObject(RUNTIME_CLASS(CObString)));
    return archive;
}
