#include "afx/CRuntimeClass.h"

#include <cstring>
#include <mutex>

namespace {
// Registrations run in other units' static initialisers, in no fixed order:
// the list head is constant-initialised and the lock made on first use.
constinit CRuntimeClass* firstRegisteredClass = nullptr;

std::mutex& RegistrationLock()
{
    static std::mutex lock;
    return lock;
}
} // namespace

CObject* CRuntimeClass::CreateObject() const
{
    return m_pfnCreateObject != nullptr ? m_pfnCreateObject() : nullptr;
}

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const
{
    for (const CRuntimeClass* current = this; current != nullptr; current = current->m_pBaseClass) {
        if (current == base) {
            return true;
        }
    }
    return false;
}

CRuntimeClass* CRuntimeClass::FromName(const char* className)
{
    if (className == nullptr) {
        return nullptr;
    }
    const std::lock_guard guard(RegistrationLock());
    for (CRuntimeClass* current = firstRegisteredClass; current != nullptr; current = current->m_pNextClass) {
        if (std::strcmp(current->m_lpszClassName, className) == 0) {
            return current;
        }
    }
    return nullptr;
}

CRuntimeClass::Registration::Registration(CRuntimeClass* runtimeClass) : runtimeClass_(runtimeClass)
{
    const std::lock_guard guard(RegistrationLock());
    runtimeClass->m_pNextClass = firstRegisteredClass;
    firstRegisteredClass = runtimeClass;
}

CRuntimeClass::Registration::~Registration()
{
    const std::lock_guard guard(RegistrationLock());
    for (CRuntimeClass** link = &firstRegisteredClass; *link != nullptr; link = &(*link)->m_pNextClass) {
        if (*link == runtimeClass_) {
            *link = runtimeClass_->m_pNextClass;
            runtimeClass_->m_pNextClass = nullptr;
            return;
        }
    }
}
