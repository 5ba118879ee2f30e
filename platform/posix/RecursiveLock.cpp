#include "platform/RecursiveLock.h"

#include <pthread.h>

namespace platform {

RecursiveLock::RecursiveLock()
{
    auto* mutex = new pthread_mutex_t;
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
    systemLock = mutex;
}

RecursiveLock::~RecursiveLock()
{
    auto* mutex = static_cast<pthread_mutex_t*>(systemLock);
    pthread_mutex_destroy(mutex);
    delete mutex;
}

void RecursiveLock::Lock()
{
    pthread_mutex_lock(static_cast<pthread_mutex_t*>(systemLock));
}

void RecursiveLock::Unlock()
{
    pthread_mutex_unlock(static_cast<pthread_mutex_t*>(systemLock));
}

} // namespace platform
