#include "engines/virtual/ServerLock.h"

#include <atomic>

namespace {

std::atomic<long> useCount{0};

} // namespace

void ServerLock::ObjectCreated()
{
    ++useCount;
}

void ServerLock::ObjectDestroyed()
{
    --useCount;
}

void ServerLock::Lock(bool lock)
{
    lock ? ++useCount : --useCount;
}

bool ServerLock::InUse()
{
    return useCount > 0;
}
