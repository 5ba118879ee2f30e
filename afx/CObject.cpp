#include "afx/CObject.h"

CRuntimeClass CObject::classCObject = {
    "CObject", sizeof(CObject), CRuntimeClass::notSerializable, nullptr, nullptr, nullptr,
};

CRuntimeClass* CObject::GetRuntimeClass() const
{
    return &classCObject;
}

CObject::~CObject() = default;

void CObject::Serialize(CArchive&) {}

bool CObject::IsKindOf(const CRuntimeClass* runtimeClass) const
{
    return GetRuntimeClass()->IsDerivedFrom(runtimeClass);
}

bool CObject::IsSerializable() const
{
    return GetRuntimeClass()->m_wSchema != CRuntimeClass::notSerializable;
}
