#pragma once

#include "platform/Export.h"

class CObject;

// The run-time description of a CObject class: its name, its size, the
// schema number its archived objects carry, its base class and, for classes
// that can be created by name, a creation function. Records are constant data
// built by the compiler; a class that can be read from archives registers its
// record with the process-wide list through a Registration object defined
// next to it, so that registration happens during static initialisation.
//
// The list may be read and changed from any thread; a module that is unloaded
// takes its classes off the list when its Registration objects are destroyed.
struct VELMORA_API CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    unsigned int m_wSchema;          // notSerializable for classes without archive support
    CObject* (*m_pfnCreateObject)(); // null when the class cannot be created by name
    CRuntimeClass* m_pBaseClass;     // null only for CObject itself
    CRuntimeClass* m_pNextClass;     // link of the registration list

    static constexpr unsigned int notSerializable = 0xFFFF;

    // A new object of the class, or null when the class has no creation
    // function. Allocation failures propagate as the framework's exceptions.
    CObject* CreateObject() const;

    // True when this class is base or one of its derived classes.
    bool IsDerivedFrom(const CRuntimeClass* base) const;

    // The registered class of that exact name, or null.
    static CRuntimeClass* FromName(const char* className);

    class VELMORA_API Registration {
    public:
        explicit Registration(CRuntimeClass* runtimeClass);
        ~Registration();
        Registration(const Registration&) = delete;
        Registration& operator=(const Registration&) = delete;

    private:
        CRuntimeClass* runtimeClass_;
    };
};

// The record of a class that declares the static member class<name>.
#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)
