#include "platform/CriticalSection.h"

#include <pthread.h>

#include <cstdlib>

namespace platform {

namespace {
pthread_mutex_t* SystemLock(unsigned char* storage)
{
    return reinterpret_cast<pthread_mutex_t*>(storage);
}
} // namespace

CriticalSection::CriticalSection()
{
    static_assert(sizeof(pthread_mutex_t) <= sizeof(systemLock_));
    static_assert(alignof(pthread_mutex_t) <= 8);
    // A plain mutex: re-entrance is counted above it.
    if (pthread_mutex_init(SystemLock(systemLock_), nullptr) != 0) {
        std::abort();
    }
}

CriticalSection::~CriticalSection()
{
    pthread_mutex_destroy(SystemLock(systemLock_));
}

void CriticalSection::EnterSystemLock()
{
    pthread_mutex_lock(SystemLock(systemLock_));
}

void CriticalSection::LeaveSystemLock()
{
    pthread_mutex_unlock(SystemLock(systemLock_));
}

} // namespace platform
