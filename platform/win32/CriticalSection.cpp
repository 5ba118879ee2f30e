#include "platform/CriticalSection.h"

#include <windows.h>

namespace platform {

namespace {
CRITICAL_SECTION* SystemLock(unsigned char* storage)
{
    return reinterpret_cast<CRITICAL_SECTION*>(storage);
}
} // namespace

CriticalSection::CriticalSection()
{
    static_assert(sizeof(CRITICAL_SECTION) <= sizeof(systemLock_));
    static_assert(alignof(CRITICAL_SECTION) <= 8);
    InitializeCriticalSection(SystemLock(systemLock_));
}

CriticalSection::~CriticalSection()
{
    DeleteCriticalSection(SystemLock(systemLock_));
}

void CriticalSection::EnterSystemLock()
{
    EnterCriticalSection(SystemLock(systemLock_));
}

void CriticalSection::LeaveSystemLock()
{
    LeaveCriticalSection(SystemLock(systemLock_));
}

} // namespace platform
