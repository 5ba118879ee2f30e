#pragma once

namespace platform {

// A lock the owning thread may take again while it holds it; each Lock needs
// its Unlock. A critical section on Windows, a recursive mutex elsewhere. The
// system object lives on the heap so that this header stays free of system
// headers.
class RecursiveLock {
public:
    RecursiveLock();
    ~RecursiveLock();
    RecursiveLock(const RecursiveLock&) = delete;
    RecursiveLock& operator=(const RecursiveLock&) = delete;

    void Lock();
    void Unlock();

private:
    void* systemLock;
};

// Holds a RecursiveLock for the life of a scope; Release and Acquire let a
// loop drop the lock around work that must run unlocked.
class ScopedLock {
public:
    explicit ScopedLock(RecursiveLock& lock) : lock(lock) { lock.Lock(); }
    ~ScopedLock()
    {
        if (held) {
            lock.Unlock();
        }
    }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

    void Release()
    {
        held = false;
        lock.Unlock();
    }
    void Acquire()
    {
        lock.Lock();
        held = true;
    }

private:
    RecursiveLock& lock;
    bool held = true;
};

} // namespace platform
