#pragma once

// Counts the server's live objects and locks, so the module can tell whether
// it may be unloaded.
class ServerLock {
public:
    static void ObjectCreated();
    static void ObjectDestroyed();
    static void Lock(bool lock);
    static bool InUse();
};
