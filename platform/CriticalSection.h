#pragma once

#include <atomic>

namespace platform {

// A re-entrant lock in the manner of a Win32 critical section: the thread that
// holds it may enter again without blocking and must leave once per enter;
// other threads wait until the holder has left as often as it entered.
//
// Entering again is the common case for code that runs while its thread holds
// the lock for a long stretch, so that path stays inline: it compares the
// owner with the calling thread and counts, touching no shared cache line
// that another thread writes. Only the first enter and the last leave reach
// the system lock.
//
// Leaving a lock the calling thread does not hold is a caller error; callers
// that cannot be sure ask HeldByCurrentThread first.
class CriticalSection {
public:
    CriticalSection();
    ~CriticalSection();
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Enter()
    {
        const void* self = ThreadToken();
        if (owner_.load(std::memory_order_relaxed) == self) {
            ++depth_;
            return;
        }
        EnterSystemLock();
        owner_.store(self, std::memory_order_relaxed);
        depth_ = 1;
    }

    void Leave()
    {
        if (--depth_ == 0) {
            owner_.store(nullptr, std::memory_order_relaxed);
            LeaveSystemLock();
        }
    }

    // Only the holder itself can see its own token here, so the answer is
    // exact for the calling thread even while others race for the lock.
    bool HeldByCurrentThread() const { return owner_.load(std::memory_order_relaxed) == ThreadToken(); }

    // Holds the lock for a scope. A thread that holds it already passes
    // straight through: entering and leaving once more would change nothing
    // but cost a counter update on every call.
    class Scope {
    public:
        explicit Scope(CriticalSection& lock) : lock_(lock.HeldByCurrentThread() ? nullptr : &lock)
        {
            if (lock_ != nullptr) {
                lock_->Enter();
            }
        }
        ~Scope()
        {
            if (lock_ != nullptr) {
                lock_->Leave();
            }
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        CriticalSection* lock_;
    };

private:
    // The address of a thread-local byte names the calling thread; it needs no
    // system call and is never null.
    static const void* ThreadToken()
    {
        thread_local const char token = 0;
        return &token;
    }

    void EnterSystemLock();
    void LeaveSystemLock();

    std::atomic<const void*> owner_{nullptr};
    unsigned depth_ = 0; // written only by the holder
    // Storage for the system's own lock object, sized for the largest of them.
    alignas(8) unsigned char systemLock_[48];
};

} // namespace platform
