#include "events/FrameworkStatics.h"

#include "events/CommonObjectEventManager.h"

namespace {
constexpr size_t TABLE_BUCKETS = 1009;

// Set up during static initialisation, so the first use from any thread finds
// it ready; the reference below is only for the rare use before that.
FrameworkStatics* const processStatics = &Statics();
} // namespace

FrameworkStatics::FrameworkStatics() : nextObjectID(CommonObjectEventManager::FIRST_OBJECT_ID)
{
    objectRegistry.reserve(TABLE_BUCKETS);
    dispatcherNames.reserve(TABLE_BUCKETS);
}

FrameworkStatics& Statics()
{
    static FrameworkStatics* const statics = new FrameworkStatics;
    return *statics;
}
