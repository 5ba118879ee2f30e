#pragma once

#include "afx/CRuntimeClass.h"
#include "platform/Export.h"

class CArchive;

// The root of the framework's object classes: run-time class information and
// archive support. The virtual table holds, in this order, the run-time class
// query, the destructor and Serialize; classes of other modules rely on it.
// Objects are not copyable through this base; derived classes that want
// copies write their own constructors.
class VELMORA_API CObject {
public:
    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject();
    // Reads or writes the object's data; the root class has none.
    virtual void Serialize(CArchive& archive);

    bool IsKindOf(const CRuntimeClass* runtimeClass) const;
    bool IsSerializable() const;

    static CRuntimeClass classCObject;

protected:
    CObject() = default;
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};
