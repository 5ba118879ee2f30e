// The dispatcher name table of CommonObjectEventManager.
#include "events/CODispatcher.h"
#include "events/CommonObjectEventManager.h"
#include "events/FrameworkStatics.h"

#include <string_view>

long CommonObjectEventManager::staticGetDispatcher(const char* name)
{
    if (name == nullptr) {
        return 0;
    }
    FrameworkStatics& statics = Statics();
    platform::ScopedLock lock(statics.managerLock);
    auto found = statics.dispatcherNames.find(std::string_view(name));
    return found != statics.dispatcherNames.end() ? found->second : 0;
}

bool CommonObjectEventManager::staticRegisterDispatcher(const char* name, long dispatcherID)
{
    if (name == nullptr) {
        return false;
    }
    FrameworkStatics& statics = Statics();
    // Test and insert under one hold of the lock, so that of two threads
    // registering one name at once exactly one succeeds.
    platform::ScopedLock lock(statics.managerLock);
    return statics.dispatcherNames.emplace(name, static_cast<int32_t>(dispatcherID)).second;
}

bool CommonObjectEventManager::staticUnregisterDispatcher(const char* name)
{
    if (name == nullptr) {
        return false;
    }
    FrameworkStatics& statics = Statics();
    platform::ScopedLock lock(statics.managerLock);
    auto found = statics.dispatcherNames.find(std::string_view(name));
    if (found == statics.dispatcherNames.end()) {
        return false;
    }
    statics.dispatcherNames.erase(found);
    return true;
}

// A name can only lead to a dispatcher; dynamic_cast keeps a misused name from
// turning into a call on an object of another kind.
bool CommonObjectEventManager::staticRequestDispatcher(const char* name, long receiverID)
{
    const long dispatcherID = staticGetDispatcher(name);
    if (dispatcherID != 0) {
        if (auto* existing = dynamic_cast<CODispatcher*>(FindObjectByID(dispatcherID))) {
            existing->AddReceiver(receiverID);
            return true;
        }
    }
    // The new dispatcher lives until FreeStatics, like every registered object.
    auto* created = new CODispatcher(name);
    created->AddReceiver(receiverID);
    return false;
}

bool CommonObjectEventManager::staticUnrequestDispatcher(const char* name, long receiverID)
{
    const long dispatcherID = staticGetDispatcher(name);
    if (dispatcherID == 0) {
        return false;
    }
    auto* dispatcher = dynamic_cast<CODispatcher*>(FindObjectByID(dispatcherID));
    if (dispatcher == nullptr) {
        return false;
    }
    return dispatcher->RemoveReceiver(receiverID);
}
