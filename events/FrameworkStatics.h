#pragma once

#include "events/EventQueue.h"
#include "platform/RecursiveLock.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

class CommonObjectBase;
class CODispatcher;

// Name lookups by const char* without building a std::string each time.
struct DispatcherNameHash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
};

// The framework's process-wide state. It is created before first use and never
// destroyed, so the locks stay usable while other static objects are torn
// down at process exit; FreeStatics only empties it.
struct FrameworkStatics {
    FrameworkStatics();

    // Guards objectRegistry, nextObjectID, dispatcherNames and both queues.
    platform::RecursiveLock managerLock;
    // Guards every object's name and additional data; may be taken while
    // managerLock is held, never the other way round.
    platform::RecursiveLock objectDataLock;

    std::unordered_map<int32_t, CommonObjectBase*> objectRegistry;
    int32_t nextObjectID;
    std::unordered_map<std::string, int32_t, DispatcherNameHash, std::equal_to<>> dispatcherNames;
    EventQueue eventQueue;
    EventQueue delayedEventQueue;

    // Only touched by the thread that runs the framework.
    CODispatcher* idleDispatcher = nullptr;
    CODispatcher* broadcastDispatcher = nullptr;
    int managerCount = 0;
    int dispatchDisableCount = 0;
};

FrameworkStatics& Statics();
