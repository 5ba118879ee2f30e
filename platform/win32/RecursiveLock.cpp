#include "platform/RecursiveLock.h"

#include <windows.h>

namespace platform {

RecursiveLock::RecursiveLock()
{
    auto* section = new CRITICAL_SECTION;
    InitializeCriticalSection(section);
    systemLock = section;
}

RecursiveLock::~RecursiveLock()
{
    auto* section = static_cast<CRITICAL_SECTION*>(systemLock);
    DeleteCriticalSection(section);
    delete section;
}

void RecursiveLock::Lock()
{
    EnterCriticalSection(static_cast<CRITICAL_SECTION*>(systemLock));
}

void RecursiveLock::Unlock()
{
    LeaveCriticalSection(static_cast<CRITICAL_SECTION*>(systemLock));
}

} // namespace platform
